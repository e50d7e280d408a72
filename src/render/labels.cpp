#include "render/labels.h"

#include "render/renderer.h"
#include "render/text.h"
#include "render/ui_colors.h"

// The shadow's offset is a whole number of pixels, so the text's glyphs are
// the shadow's glyphs moved back: they are copied instead of laid out again.
void draw_label(Renderer& r, std::string_view text, float x, float baseline_y, const TextStyle& style) {
    const float n = style.shadow;
    const Color color = with_alpha(style.color, style.color.a * style.fade);
    GlyphList& glyphs = r.text.glyphs;
    const uint32_t first = glyphs.count;
    draw_text(r, text, style.px, x + n, baseline_y + n, with_alpha(SHADOW_COLOR, SHADOW_COLOR.a * style.fade));
    const uint32_t end = glyphs.count;
    if (end < first) {
        // The atlas started over inside the shadow: lay the text out afresh.
        draw_text(r, text, style.px, x, baseline_y, color);
        return;
    }
    for (uint32_t i = first; i < end && glyphs.count < GLYPH_CAPACITY; ++i) {
        GlyphInstance g = glyphs.items[i];
        g.rect[0] -= n;
        g.rect[1] -= n;
        g.color = color;
        glyphs.items[glyphs.count++] = g;
    }
}

void draw_label_centred(Renderer& r, std::string_view text, float centre_x, float baseline_y, const TextStyle& style) {
    draw_label(r, text, centre_x - measure_text(r, text, style.px) * 0.5f, baseline_y, style);
}

void draw_label_right(Renderer& r, std::string_view text, float right_x, float baseline_y, const TextStyle& style) {
    draw_label(r, text, right_x - measure_text(r, text, style.px), baseline_y, style);
}
