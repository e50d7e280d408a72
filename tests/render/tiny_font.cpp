#include "tiny_font.h"

#include <cstddef>
#include <utility>

namespace {

struct Bytes {
    std::vector<uint8_t> b;
    void u16(int v) {
        b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        b.push_back(static_cast<uint8_t>(v & 0xFF));
    }
    void u32(uint32_t v) {
        u16(static_cast<int>(v >> 16));
        u16(static_cast<int>(v & 0xFFFF));
    }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
    void set16(size_t at, int v) {
        b[at] = static_cast<uint8_t>((v >> 8) & 0xFF);
        b[at + 1] = static_cast<uint8_t>(v & 0xFF);
    }
};

// A one-contour square glyph with on-curve points and 16-bit coordinates.
void square(Bytes& g, int x0, int x1, int y1) {
    g.u16(1);  // contours
    g.u16(x0);
    g.u16(0);
    g.u16(x1);
    g.u16(y1);
    g.u16(3);  // last point of the contour
    g.u16(0);  // no instructions
    for (int i = 0; i < 4; ++i) g.b.push_back(0x01);
    for (int dx : {x0, x1 - x0, 0, x0 - x1}) g.u16(dx);
    for (int dy : {0, 0, y1, 0}) g.u16(dy);
}

}  // namespace

std::vector<uint8_t> make_tiny_font() {
    Bytes head, hhea, hmtx, maxp, cmap, loca, glyf, kern;
    head.zeros(54);
    head.set16(18, 1024);  // units per em
    head.set16(50, 0);     // short offsets in loca

    hhea.zeros(36);
    hhea.set16(4, 824);
    hhea.set16(6, -200);
    hhea.set16(34, 4);  // advances for all four glyphs
    for (int advance : {500, 256, 640, 576}) {
        hmtx.u16(advance);
        hmtx.u16(0);
    }
    maxp.u32(0x00005000);
    maxp.u16(4);

    // Unicode BMP through a trimmed table from ' ' to 'V'.
    cmap.u16(0);
    cmap.u16(1);
    cmap.u16(3);
    cmap.u16(1);
    cmap.u32(12);
    const int first = ' ', count = 'V' - ' ' + 1;
    cmap.u16(6);
    cmap.u16(10 + 2 * count);
    cmap.u16(0);
    cmap.u16(first);
    cmap.u16(count);
    for (int c = first; c < first + count; ++c) cmap.u16(c == ' ' ? 1 : c == 'A' ? 2 : c == 'V' ? 3 : 0);

    // Where each glyph starts (in 2-byte words) and where the last ends;
    // glyphs 0 and 1 have no outline.
    loca.u16(0);
    loca.u16(0);
    loca.u16(0);
    square(glyf, 64, 576, 704);
    loca.u16(static_cast<int>(glyf.b.size() / 2));
    square(glyf, 32, 544, 704);
    loca.u16(static_cast<int>(glyf.b.size() / 2));

    const int pairs[][3] = {{1, 2, -48}, {2, 3, -96}, {3, 1, -32}};  // sorted by (left, right)
    kern.u16(0);
    kern.u16(1);
    kern.u16(0);
    kern.u16(14 + 6 * 3);
    kern.u16(1);  // horizontal, format 0
    kern.u16(3);
    kern.zeros(6);
    for (const auto& p : pairs) {
        kern.u16(p[0]);
        kern.u16(p[1]);
        kern.u16(p[2]);
    }

    const std::pair<const char*, Bytes*> tables[] = {{"cmap", &cmap}, {"glyf", &glyf}, {"head", &head},
                                                     {"hhea", &hhea}, {"hmtx", &hmtx}, {"kern", &kern},
                                                     {"loca", &loca}, {"maxp", &maxp}};
    Bytes font;
    font.u32(0x00010000);
    font.u16(8);
    font.zeros(6);
    uint32_t offset = 12 + 16 * 8;
    for (const auto& [tag, table] : tables) {
        font.b.insert(font.b.end(), tag, tag + 4);
        font.u32(0);  // checksum, not read
        font.u32(offset);
        font.u32(static_cast<uint32_t>(table->b.size()));
        offset += static_cast<uint32_t>((table->b.size() + 3) & ~size_t{3});
    }
    for (const auto& [tag, table] : tables) {
        font.b.insert(font.b.end(), table->b.begin(), table->b.end());
        font.zeros(((table->b.size() + 3) & ~size_t{3}) - table->b.size());
    }
    return font.b;
}
