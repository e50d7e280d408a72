// Laying out, caching and flushing text with the embedded font, against the
// recording stand-in for OpenGL. Expected positions come from the font's own
// metrics as stb_truetype reports them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gl_recorder.h"
#include "render/renderer.h"
#include "render/text.h"
#include "tiny_font.h"

namespace {

using ::testing::ElementsAre;

struct Box {
    int x0, y0, x1, y1;
};

class Text : public ::testing::Test {
protected:
    std::unique_ptr<Renderer> r = std::make_unique<Renderer>();

    void SetUp() override {
        install_fake_gl();
        ASSERT_EQ(create_renderer(*r), StartupError::None);
        begin_text_frame(*r);
        fake_gl.calls.clear();
    }
    void TearDown() override { destroy_renderer(*r); }

    const stbtt_fontinfo* font() const { return &r->text.font; }
    const GlyphList& glyphs() const { return r->text.glyphs; }
    int glyph(int code_point) const { return stbtt_FindGlyphIndex(font(), code_point); }
    float scale(float pixel_size) const { return stbtt_ScaleForPixelHeight(font(), pixel_size); }
    float advance(int g, float s) const {
        int advance = 0, bearing = 0;
        stbtt_GetGlyphHMetrics(font(), g, &advance, &bearing);
        return static_cast<float>(advance) * s;
    }
    Box box(int g, float s) const {
        Box b{};
        stbtt_GetGlyphBitmapBox(font(), g, s, s, &b.x0, &b.y0, &b.x1, &b.y1);
        return b;
    }
    // Whether the atlas holds exactly what stb_truetype draws for the glyph
    // at the instance's atlas rectangle.
    bool atlas_shows(const GlyphInstance& g, int glyph_index, float pixel_size) const {
        const int w = static_cast<int>(g.uv_rect[2]);
        const int h = static_cast<int>(g.uv_rect[3]);
        std::vector<unsigned char> fresh(static_cast<size_t>(w * h));
        const float s = scale(pixel_size);
        stbtt_MakeGlyphBitmap(font(), fresh.data(), w, h, w, s, s, glyph_index);
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = r->text.atlas.pixels + (static_cast<int>(g.uv_rect[1]) + y) * 512 +
                                 static_cast<int>(g.uv_rect[0]);
            if (std::memcmp(row, fresh.data() + y * w, static_cast<size_t>(w)) != 0) return false;
        }
        return true;
    }
};

const Color WHITE = {1, 1, 1, 1};

TEST_F(Text, GlyphsSitAtTheRoundedUnroundedPen) {
    const std::string text = "Tomorrow, 0.1 AVAWAY";
    const float px = 21.5f;
    const float x = 10.5f;  // the first glyph's box starts at the pen: 10.5 rounds to 11
    const float y = 40.5f;
    const float s = scale(px);
    ASSERT_EQ(box(glyph('T'), s).x0, 0);

    // The rule written out: kerning before each glyph but the first, the pen
    // never rounded, each box edge rounded half away from zero.
    struct Rect {
        float x, y, w, h;
    };
    std::vector<Rect> expected;
    int rounded_pen_differs = 0;
    float pen = 0;
    float rounded_pen = 0;  // what a pen rounded at every glyph would say
    int previous = 0;
    for (char c : text) {
        const int g = glyph(static_cast<unsigned char>(c));
        if (previous) {
            const float kern = static_cast<float>(stbtt_GetGlyphKernAdvance(font(), previous, g)) * s;
            pen += kern;
            rounded_pen = std::round(rounded_pen + kern);
        }
        const Box b = box(g, s);
        if (c != ' ') {
            expected.push_back({std::round(pen + x + static_cast<float>(b.x0)), std::round(y + static_cast<float>(b.y0)),
                                static_cast<float>(b.x1 - b.x0), static_cast<float>(b.y1 - b.y0)});
            rounded_pen_differs += std::round(rounded_pen + x + static_cast<float>(b.x0)) != expected.back().x;
        }
        pen += advance(g, s);
        rounded_pen = std::round(rounded_pen + advance(g, s));
        previous = g;
    }
    ASSERT_GT(rounded_pen_differs, 0);  // the text tells the two apart

    draw_text(*r, text, px, x, y, {0.25f, 0.5f, 0.75f, 0.5f});
    ASSERT_EQ(glyphs().count, expected.size());  // the spaces add no instance
    const float top = static_cast<float>(box(glyph('T'), s).y0);
    EXPECT_EQ(glyphs().items[0].rect[0], 11);
    EXPECT_EQ(glyphs().items[0].rect[1], 41 + top);  // 40.5 + top rounds up, away from zero
    for (size_t i = 0; i < expected.size(); ++i) {
        const GlyphInstance& g = glyphs().items[i];
        EXPECT_THAT(g.rect, ElementsAre(expected[i].x, expected[i].y, expected[i].w, expected[i].h)) << i;
        EXPECT_EQ(g.uv_rect[2], expected[i].w);
        EXPECT_EQ(g.uv_rect[3], expected[i].h);
        EXPECT_EQ(g.color.a, 0.5f);
    }
    EXPECT_EQ(measure_text(*r, text, px), pen);

    // The space is cached with no pixels.
    const GlyphEntry* space = find_glyph(r->text.cache, glyph_key(px, glyph(' ')));
    ASSERT_NE(space, nullptr);
    EXPECT_EQ(space->width, 0);
    EXPECT_EQ(space->height, 0);

    // Left of the origin, half a pixel rounds away from zero too.
    begin_text_frame(*r);
    draw_text(*r, "T", px, -20.5f, -0.5f, WHITE);
    ASSERT_EQ(glyphs().count, 1u);
    EXPECT_EQ(glyphs().items[0].rect[0], -21);
    EXPECT_EQ(glyphs().items[0].rect[1], top - 1);  // -0.5 + top rounds down, away from zero
}

TEST_F(Text, KerningAppliesBetweenEveryPairIncludingAcrossSpaces) {
    static const std::vector<uint8_t> tiny = make_tiny_font();
    ASSERT_TRUE(stbtt_InitFont(&r->text.font, tiny.data(), 0));
    ASSERT_EQ(scale(32), 1.0f / 32);
    // At 1/32: A advances 20, V 18, space 8; kerning A-V -3, V-space -1,
    // space-A -1.5. Pens: A 0, V 20 - 3 = 17, space 35 - 1 = 34, A 42 - 1.5 = 40.5.
    EXPECT_EQ(measure_text(*r, "AV A", 32), 60.5f);
    EXPECT_EQ(measure_text(*r, "VA", 32), 38.0f);  // no pair, no kerning

    draw_text(*r, "AV A", 32, 10, 50.5f, WHITE);
    ASSERT_EQ(glyphs().count, 3u);
    // Box left edges: A 64/32 = 2, V 32/32 = 1; top -704/32 = -22; baseline 50.5 - 22 rounds to 29.
    EXPECT_THAT(glyphs().items[0].rect, ElementsAre(12, 29, 16, 22));
    EXPECT_THAT(glyphs().items[1].rect, ElementsAre(28, 29, 16, 22));
    EXPECT_THAT(glyphs().items[2].rect, ElementsAre(53, 29, 16, 22));  // 52.5 rounds away from zero
}

// The embedded font's own pair kerning. Its ascent 935 and descent -265 make
// 1200 px one pixel per font unit, so each width is the sum of the two
// advances and the pair's kerning as the published Fira Sans Regular holds
// them (its hmtx and its GPOS `kern` lookups, read with fontTools): letters
// from the main lookup, "&1" from the lookup of figures and symbols, and "f)"
// kerned apart.
TEST_F(Text, TheEmbeddedFontKernsItsPairs) {
    const struct {
        const char* pair;
        float advances;
        float kerning;
    } pairs[] = {
        {"AV", 573 + 556, -14}, {"To", 517 + 584, -55}, {"Ty", 517 + 492, -40}, {"LT", 498 + 517, -83},
        {"P.", 581 + 240, -120}, {"&1", 729 + 433, -69}, {"f)", 335 + 324, 80}, {"WA", 826 + 573, 0},
    };
    ASSERT_EQ(scale(1200), 1.0f);
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.pair);
        EXPECT_EQ(measure_text(*r, p.pair, 1200), p.advances + p.kerning);
    }
}

TEST(TextStartUp, BytesThatAreNoFontAreABadFontAndAllocateNothing) {
    const std::vector<unsigned char> zeros(256, 0);
    auto text = std::make_unique<TextState>();
    EXPECT_EQ(create_text_state(*text, zeros.data()), StartupError::BadFont);
    EXPECT_EQ(text->atlas.pixels, nullptr);
    EXPECT_EQ(text->cache.keys, nullptr);
    destroy_text_state(*text);  // harmless after a failure

    ASSERT_EQ(create_text_state(*text), StartupError::None);
    const uint8_t* p = text->atlas.pixels;
    ASSERT_NE(p, nullptr);
    EXPECT_TRUE(std::all_of(p, p + ATLAS_BYTES, [](uint8_t v) { return v == 0; }));
    destroy_text_state(*text);
    EXPECT_EQ(text->atlas.pixels, nullptr);
}

TEST_F(Text, CodePointsBeyondAsciiAreDecoded) {
    // e acute (2 bytes), the euro sign (3 bytes), a 4-byte code point the font lacks.
    const float s = scale(20);
    const float expected = advance(glyph(0xE9), s) + advance(glyph(0x20AC), s) + advance(glyph(0x1D11E), s);
    EXPECT_NE(glyph(0x20AC), 0);
    EXPECT_EQ(measure_text(*r, "\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E", 20), expected);
}

TEST_F(Text, InvalidUtf8OrAnUnusableSizeDrawsNothing) {
    const char* const invalid[] = {
        "Score \xFF",            // a lone byte that is never UTF-8
        "\xC0\xAF",              // overlong '/'
        "\xE0\x80\xAF",          // overlong, three bytes
        "\xED\xA0\x80",          // a surrogate
        "\xF4\x90\x80\x80",      // above U+10FFFF
        "ok \xE2\x82",           // cut short
        "\x80 stray continuation",
    };
    for (const char* text : invalid) {
        draw_text(*r, text, 20, 5, 30, WHITE);
        EXPECT_EQ(glyphs().count, 0u) << text;
        EXPECT_EQ(measure_text(*r, text, 20), 0) << text;
    }
    for (float size : {0.0f, -12.0f, NAN, INFINITY}) {
        draw_text(*r, "HUD", size, 5, 30, WHITE);
        EXPECT_EQ(glyphs().count, 0u) << size;
        EXPECT_EQ(measure_text(*r, "HUD", size), 0) << size;
    }
    EXPECT_GT(measure_text(*r, "\xF4\x8F\xBF\xBF", 20), 0);  // U+10FFFF itself is fine
}

TEST_F(Text, GlyphsPastTheFramesCapacityAreDropped) {
    const std::string a(GLYPH_CAPACITY - 1, 'a');
    draw_text(*r, a, 16, 0, 20, WHITE);
    draw_text(*r, "bc", 16, 0, 40, WHITE);
    ASSERT_EQ(glyphs().count, GLYPH_CAPACITY);
    EXPECT_EQ(glyphs().items[GLYPH_CAPACITY - 1].rect[1], std::round(40.0f + static_cast<float>(box(glyph('b'), scale(16)).y0)));
    begin_text_frame(*r);
    EXPECT_EQ(glyphs().count, 0u);
}

TEST_F(Text, AGlyphTooWideForAShelfEmptiesTheAtlasEveryTime) {
    const int w = glyph('W');
    float wide = 0;
    float widest_fitting = 0;
    for (int tenths = 5000; tenths < 12000 && !wide; ++tenths) {
        const float px = static_cast<float>(tenths) / 10;
        const Box b = box(w, scale(px));
        if (b.x1 - b.x0 == 511) widest_fitting = px;
        if (b.x1 - b.x0 == 512) wide = px;
    }
    ASSERT_GT(wide, 0);
    ASSERT_GT(widest_fitting, 0);

    draw_text(*r, "Ag", 20, 0, 30, WHITE);
    ASSERT_EQ(glyphs().count, 2u);
    for (int attempt = 0; attempt < 2; ++attempt) {
        r->text_pipeline.atlas_dirty = false;
        draw_text(*r, "W", wide, 0, 600, WHITE);
        EXPECT_EQ(r->text.cache.count, 0u);
        EXPECT_EQ(glyphs().count, 0u);  // nothing queued still points into the old atlas
        EXPECT_TRUE(r->text_pipeline.atlas_dirty);
        EXPECT_EQ(r->text.atlas.cursor_x, 0u);
        EXPECT_EQ(r->text.atlas.shelf_y, 0u);
    }
    const uint8_t* p = r->text.atlas.pixels;
    EXPECT_EQ(std::count(p, p + ATLAS_BYTES, 0), static_cast<long>(ATLAS_BYTES));

    draw_text(*r, "W", widest_fitting, 0, 600, WHITE);  // 511 wide still fits
    ASSERT_EQ(glyphs().count, 1u);
    EXPECT_EQ(glyphs().items[0].uv_rect[2], 511);
    EXPECT_TRUE(atlas_shows(glyphs().items[0], w, widest_fitting));
}

TEST_F(Text, AFullAtlasStartsOverWithoutDrawingFromTheOldOne) {
    // Ever larger sizes fill the atlas; the call that finds it full skips
    // the glyph that did not fit and draws the rest from the new atlas.
    const std::string text = "Mg";
    bool started_over = false;
    float px = 0;
    for (px = 24; px < 400 && !started_over; px += 1) {
        const uint32_t cached_before = r->text.cache.count;
        const uint32_t queued_before = glyphs().count;
        draw_text(*r, text, px, 10, 300, WHITE);
        started_over = r->text.cache.count < cached_before;
        if (!started_over) {
            EXPECT_EQ(glyphs().count, queued_before + 2);
        }
    }
    ASSERT_TRUE(started_over);
    px -= 1;
    // 'M' found the atlas full: skipped. 'g' went into the fresh atlas.
    ASSERT_EQ(glyphs().count, 1u);
    const GlyphInstance& g = glyphs().items[0];
    EXPECT_EQ(g.uv_rect[0], 0);
    EXPECT_EQ(g.uv_rect[1], 0);
    EXPECT_TRUE(atlas_shows(g, glyph('g'), px));
    EXPECT_EQ(find_glyph(r->text.cache, glyph_key(px, glyph('M'))), nullptr);
    EXPECT_EQ(r->text.cache.count, 1u);

    // Drawn again, the skipped glyph is rasterised into the new atlas.
    draw_text(*r, text, px, 10, 300, WHITE);
    ASSERT_EQ(glyphs().count, 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_TRUE(atlas_shows(glyphs().items[i], glyph(i == 1 ? 'M' : 'g'), px)) << i;
}

TEST_F(Text, AFullCacheStartsOverLikeAFullAtlas) {
    // Spaces take no atlas room, so only the cache's own limit stops them.
    uint32_t most = 0;
    for (int i = 0; i < static_cast<int>(GLYPH_CACHE_LIMIT) + 10; ++i) {
        draw_text(*r, " ", 8 + static_cast<float>(i) / 64, 0, 0, WHITE);
        if (r->text.cache.count > most) most = r->text.cache.count;
    }
    EXPECT_EQ(most, GLYPH_CACHE_LIMIT);
    EXPECT_LT(r->text.cache.count, 16u);
}

TEST_F(Text, TheAtlasIsUploadedOnlyWhenItChanged) {
    draw_text(*r, "Hull 75", 18, 40, 50, WHITE);
    const uint32_t count = glyphs().count;
    flush_text(*r, 1280, 720);
    EXPECT_THAT(call_names(),
                ElementsAre("glViewport", "glActiveTexture", "glBindTexture", "glPixelStorei", "glTexImage2D",
                            "glBlendFuncSeparate", "glUseProgram", "glUniform2f", "glUniform1f", "glUniform1i",
                            "glBindVertexArray", "glBindBuffer", "glBufferData", "glBufferSubData",
                            "glDrawArraysInstanced", "glBindVertexArray"));
    EXPECT_THAT(calls_named("glViewport")[0].args, ElementsAre(0, 0, 1280, 720));
    EXPECT_THAT(calls_named("glPixelStorei")[0].args, ElementsAre(GL_UNPACK_ALIGNMENT, 1));
    const GlCall upload = calls_named("glTexImage2D")[0];
    EXPECT_THAT(std::vector<double>(upload.args.begin(), upload.args.end() - 1),
                ElementsAre(GL_TEXTURE_2D, 0, GL_R8, 512, 512, 0, GL_RED, GL_UNSIGNED_BYTE));
    EXPECT_EQ(upload.args.back(), static_cast<double>(reinterpret_cast<uintptr_t>(r->text.atlas.pixels)));
    EXPECT_THAT(calls_named("glUniform2f")[0].args, ElementsAre(r->text_pipeline.uniforms[SCREEN_SIZE], 1280, 720));
    EXPECT_THAT(calls_named("glUniform1f")[0].args, ElementsAre(r->text_pipeline.uniforms[ATLAS_SIZE], 512));
    EXPECT_THAT(calls_named("glUniform1i")[0].args, ElementsAre(r->text_pipeline.uniforms[GLYPH_SAMPLER], 0));
    EXPECT_EQ(calls_named("glBufferData")[0].args[1], 98304);
    EXPECT_EQ(calls_named("glBufferSubData")[0].args[2], count * 48);
    EXPECT_EQ(calls_named("glDrawArraysInstanced")[0].args[3], count);

    // The next frame uses only cached glyphs: no upload.
    fake_gl.calls.clear();
    begin_text_frame(*r);
    draw_text(*r, "Hull 57", 18, 40, 50, WHITE);
    flush_text(*r, 1280, 720);
    EXPECT_TRUE(calls_named("glTexImage2D").empty());
    EXPECT_EQ(calls_named("glDrawArraysInstanced").size(), 1u);

    // A new glyph changes the atlas: one upload, however much text follows.
    fake_gl.calls.clear();
    draw_text(*r, "Shield", 18, 40, 70, WHITE);
    draw_text(*r, "Shield", 24, 40, 90, WHITE);
    flush_text(*r, 1280, 720);
    EXPECT_EQ(calls_named("glTexImage2D").size(), 1u);

    // An empty frame only sets the viewport.
    fake_gl.calls.clear();
    begin_text_frame(*r);
    flush_text(*r, 800.4f, 600.5f);
    EXPECT_THAT(call_names(), ElementsAre("glViewport"));
    EXPECT_THAT(fake_gl.calls[0].args, ElementsAre(0, 0, 800, 601));
}

}  // namespace
