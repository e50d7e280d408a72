#include "render/text.h"

#include <cmath>

#include "render/renderer.h"
#include "render/text_utf8.h"

namespace {

// Sizes outside this range draw nothing: a NaN, zero or negative size has no
// glyphs, and far larger ones would overflow the bitmap box's integers.
constexpr float MAX_TEXT_PIXEL_SIZE = 16384;

bool usable_size(float pixel_size) { return pixel_size > 0 && pixel_size <= MAX_TEXT_PIXEL_SIZE; }

// Walks the glyphs of a text, calling emit(glyph, pen) with the pen position
// of each glyph, and returns the pen after the last one. Kerning applies
// between every pair of consecutive glyphs; the pen is never rounded.
template <typename Emit>
float walk_text(const stbtt_fontinfo& font, std::string_view text, float scale, Emit&& emit) {
    if (!is_valid_utf8(text)) return 0;
    float pen = 0;
    int previous = 0;
    for (size_t at = 0; at < text.size();) {
        int glyph = stbtt_FindGlyphIndex(&font, static_cast<int>(next_code_point(text, at)));
        if (previous != 0) pen += static_cast<float>(stbtt_GetGlyphKernAdvance(&font, previous, glyph)) * scale;
        emit(glyph, pen);
        int advance = 0;
        int left_bearing = 0;
        stbtt_GetGlyphHMetrics(&font, glyph, &advance, &left_bearing);
        pen += static_cast<float>(advance) * scale;
        previous = glyph;
    }
    return pen;
}

// The atlas is full: every glyph starts over. Glyphs already queued in this
// frame point at atlas places that new glyphs will take, so they are dropped
// rather than drawn with another glyph's pixels.
void start_over(Renderer& r) {
    clear_glyphs(r.text.cache, r.text.atlas);
    r.text.glyphs.count = 0;
    r.text_pipeline.atlas_dirty = true;
}

// Rasterises a glyph missing from the cache and caches it. False when the
// atlas (or the cache) was full: everything started over and this glyph is
// skipped for this call.
bool cache_glyph(Renderer& r, uint64_t key, int glyph, float scale, GlyphEntry& entry) {
    TextState& t = r.text;
    if (glyph_cache_full(t.cache)) {
        start_over(r);
        return false;
    }
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBox(&t.font, glyph, scale, scale, &x0, &y0, &x1, &y1);
    const int w = x1 - x0;
    const int h = y1 - y0;
    entry = GlyphEntry{static_cast<float>(x0), static_cast<float>(y0), 0, 0, 0, 0};
    if (w >= 1 && h >= 1 && !stbtt_IsGlyphEmpty(&t.font, glyph)) {
        uint32_t ax = 0, ay = 0;
        if (!place_glyph(t.atlas, static_cast<uint32_t>(w), static_cast<uint32_t>(h), ax, ay)) {
            start_over(r);
            return false;
        }
        stbtt_MakeGlyphBitmap(&t.font, t.atlas.pixels + ay * ATLAS_SIDE + ax, w, h, ATLAS_SIDE, scale, scale, glyph);
        entry.x = static_cast<uint16_t>(ax);
        entry.y = static_cast<uint16_t>(ay);
        entry.width = static_cast<uint16_t>(w);
        entry.height = static_cast<uint16_t>(h);
        r.text_pipeline.atlas_dirty = true;
    }
    insert_glyph(t.cache, key, entry);
    return true;
}

void draw_glyph(Renderer& r, float pixel_size, float scale, int glyph, float pen, float x, float y, Color color) {
    GlyphEntry entry;
    const uint64_t key = glyph_key(pixel_size, glyph);
    if (const GlyphEntry* cached = find_glyph(r.text.cache, key)) {
        entry = *cached;
    } else if (!cache_glyph(r, key, glyph, scale, entry)) {
        return;
    }
    GlyphList& list = r.text.glyphs;
    if (entry.width == 0 || list.count >= GLYPH_CAPACITY) return;
    const float w = entry.width;
    const float h = entry.height;
    list.items[list.count++] = GlyphInstance{
        {std::round(pen + x + entry.x0), std::round(y + entry.y0), w, h},
        {static_cast<float>(entry.x), static_cast<float>(entry.y), w, h},
        color,
    };
}

// A framebuffer extent as whole pixels (half away from zero); NaN and
// negative sizes give 0.
GLsizei whole_pixels(float v) {
    if (!(v > 0)) return 0;
    if (v > 1 << 24) return 1 << 24;
    return static_cast<GLsizei>(std::round(v));
}

}  // namespace

void begin_text_frame(Renderer& renderer) { renderer.text.glyphs.count = 0; }

void draw_text(Renderer& renderer, std::string_view text, float pixel_size, float x, float baseline_y, Color color) {
    if (!usable_size(pixel_size)) return;
    const float scale = stbtt_ScaleForPixelHeight(&renderer.text.font, pixel_size);
    walk_text(renderer.text.font, text, scale, [&](int glyph, float pen) {
        draw_glyph(renderer, pixel_size, scale, glyph, pen, x, baseline_y, color);
    });
}

float measure_text(const Renderer& renderer, std::string_view text, float pixel_size) {
    if (!usable_size(pixel_size)) return 0;
    const float scale = stbtt_ScaleForPixelHeight(&renderer.text.font, pixel_size);
    return walk_text(renderer.text.font, text, scale, [](int, float) {});
}

void flush_text(Renderer& renderer, float fb_width, float fb_height) {
    const GLsizei width = whole_pixels(fb_width);
    const GLsizei height = whole_pixels(fb_height);
    // The bottom edge trunc(H - round(H)) is 0 for every framebuffer height.
    gl.glViewport(0, 0, width, height);
    const GlyphList& list = renderer.text.glyphs;
    if (list.count == 0) return;

    TextPipeline& p = renderer.text_pipeline;
    gl.glActiveTexture(GL_TEXTURE0);
    gl.glBindTexture(GL_TEXTURE_2D, p.atlas_texture);
    if (p.atlas_dirty) {
        // The whole atlas goes up whenever any glyph was added; its rows are
        // tightly packed bytes.
        gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, ATLAS_SIDE, ATLAS_SIDE, 0, GL_RED, GL_UNSIGNED_BYTE,
                        renderer.text.atlas.pixels);
        p.atlas_dirty = false;
    }
    blend_normal();
    gl.glUseProgram(p.program);
    gl.glUniform2f(p.uniforms[SCREEN_SIZE], fb_width, fb_height);
    gl.glUniform1f(p.uniforms[ATLAS_SIZE], static_cast<float>(ATLAS_SIDE));
    gl.glUniform1i(p.uniforms[GLYPH_SAMPLER], 0);
    gl.glBindVertexArray(p.vertex_array);
    orphan_and_fill(TEXT_PIPELINE, p.instance_buffer, list.items, list.count);
    const uint32_t count = list.count < GLYPH_BUFFER_INSTANCES ? list.count : GLYPH_BUFFER_INSTANCES;
    gl.glDrawArraysInstanced(GL_TRIANGLES, 0, 6, static_cast<GLsizei>(count));
    gl.glBindVertexArray(0);
}
