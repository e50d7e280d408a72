#include "render/text_atlas.h"

#include <cstring>
#include <new>

namespace {

uint32_t home_slot(uint64_t key) {
    // Fibonacci hashing: the high bits of the product mix both halves of the key.
    constexpr int SHIFT = 64 - std::countr_zero(GLYPH_CACHE_SLOTS);
    return static_cast<uint32_t>((key * 0x9E3779B97F4A7C15ull) >> SHIFT);
}

void forget_all(GlyphCache& cache) {
    for (uint32_t i = 0; i < GLYPH_CACHE_SLOTS; ++i) cache.keys[i] = FREE_SLOT;
    cache.count = 0;
}

}  // namespace

bool allocate_glyph_store(GlyphCache& cache, GlyphAtlas& atlas) {
    cache.keys = new (std::nothrow) uint64_t[GLYPH_CACHE_SLOTS];
    cache.entries = new (std::nothrow) GlyphEntry[GLYPH_CACHE_SLOTS];
    atlas.pixels = new (std::nothrow) uint8_t[ATLAS_BYTES];
    if (!cache.keys || !cache.entries || !atlas.pixels) {
        free_glyph_store(cache, atlas);
        return false;
    }
    clear_glyphs(cache, atlas);
    return true;
}

void free_glyph_store(GlyphCache& cache, GlyphAtlas& atlas) {
    delete[] cache.keys;
    delete[] cache.entries;
    delete[] atlas.pixels;
    cache = GlyphCache{};
    atlas = GlyphAtlas{};
}

const GlyphEntry* find_glyph(const GlyphCache& cache, uint64_t key) {
    for (uint32_t i = home_slot(key);; i = (i + 1) & (GLYPH_CACHE_SLOTS - 1)) {
        if (cache.keys[i] == key) return &cache.entries[i];
        if (cache.keys[i] == FREE_SLOT) return nullptr;  // the limit keeps a free slot
    }
}

void insert_glyph(GlyphCache& cache, uint64_t key, const GlyphEntry& entry) {
    uint32_t i = home_slot(key);
    while (cache.keys[i] != FREE_SLOT) i = (i + 1) & (GLYPH_CACHE_SLOTS - 1);
    cache.keys[i] = key;
    cache.entries[i] = entry;
    ++cache.count;
}

bool place_glyph(GlyphAtlas& atlas, uint32_t w, uint32_t h, uint32_t& x, uint32_t& y) {
    if (atlas.cursor_x + w > SHELF_LIMIT) {
        atlas.shelf_y += atlas.tallest + 1;
        atlas.cursor_x = 0;
        atlas.tallest = 0;
    }
    // A glyph wider than a shelf never fits, not even in an empty atlas.
    if (w > SHELF_LIMIT || atlas.shelf_y + h > ATLAS_SIDE) return false;
    x = atlas.cursor_x;
    y = atlas.shelf_y;
    atlas.cursor_x += w + 1;
    if (h > atlas.tallest) atlas.tallest = h;
    return true;
}

void clear_glyphs(GlyphCache& cache, GlyphAtlas& atlas) {
    forget_all(cache);
    std::memset(atlas.pixels, 0, ATLAS_BYTES);
    atlas.cursor_x = 0;
    atlas.shelf_y = 0;
    atlas.tallest = 0;
}
