#include "render/labels.h"

#include <algorithm>
#include <cstring>

#include "render/panels.h"
#include "render/renderer.h"
#include "render/text.h"
#include "render/ui_colors.h"

namespace {

// The box of glyphs [first, end) of the frame; empty for none.
Rect glyph_box(const GlyphList& glyphs, uint32_t first, uint32_t end) {
    if (first >= end) return {};
    float left = glyphs.items[first].rect[0], top = glyphs.items[first].rect[1];
    float right = left, bottom = top;
    for (uint32_t i = first; i < end; ++i) {
        const float* rect = glyphs.items[i].rect;
        left = std::min(left, rect[0]);
        top = std::min(top, rect[1]);
        right = std::max(right, rect[0] + rect[2]);
        bottom = std::max(bottom, rect[1] + rect[3]);
    }
    return {left, top, right - left, bottom - top};
}

void list_label(LabelList& list, std::string_view text, float x, float baseline_y, const TextStyle& style,
                const Rect& ink) {
    if (list.count >= MAX_LABELS) return;
    LabelRecord& label = list.items[list.count++];
    label.length = static_cast<uint32_t>(std::min<size_t>(text.size(), LABEL_TEXT));
    std::memcpy(label.text, text.data(), label.length);
    label.x = x;
    label.baseline = baseline_y;
    label.px = style.px;
    label.color = style.color;
    label.ink = ink;
}

}  // namespace

// The shadow's offset is a whole number of pixels, so the text's glyphs are
// the shadow's glyphs moved back: they are copied instead of laid out again.
void draw_label(Renderer& r, std::string_view text, float x, float baseline_y, const TextStyle& style) {
    const float n = style.shadow;
    const Color color = with_alpha(style.color, style.color.a * style.fade);
    GlyphList& glyphs = r.text.glyphs;
    uint32_t first = glyphs.count;
    draw_text(r, text, style.px, x + n, baseline_y + n, with_alpha(SHADOW_COLOR, SHADOW_COLOR.a * style.fade));
    const uint32_t end = glyphs.count;
    if (end < first) {
        // The atlas started over inside the shadow: lay the text out afresh.
        first = glyphs.count;
        draw_text(r, text, style.px, x, baseline_y, color);
    } else {
        for (uint32_t i = first; i < end && glyphs.count < GLYPH_CAPACITY; ++i) {
            GlyphInstance g = glyphs.items[i];
            g.rect[0] -= n;
            g.rect[1] -= n;
            g.color = color;
            glyphs.items[glyphs.count++] = g;
        }
    }
    const Rect ink = glyph_box(glyphs, first, glyphs.count);
    if (r.labels.covering && ink.w > 0 && overlaps(ink, r.labels.cover)) {
        glyphs.count = first;  // under an open overlay: not drawn at all
        return;
    }
    if (style.backed && ink.w > 0) {
        push_pill(r.screen_list, backing_rect(std::min(x, ink.x), ink.x + ink.w, baseline_y, style.px),
                  with_alpha(HUD_BACKING_COLOR, HUD_BACKING_COLOR.a * style.fade));
    }
    list_label(r.labels, text, x, baseline_y, style, ink);
}

// The font's ascent and descent are 0.78 and 0.22 of the pixel size; the
// pill reaches 0.1 beyond both (1.2 of the size, under the 1.35 of a line)
// and 0.4 beyond the ends, where its round caps leave the corners room.
Rect backing_rect(float left, float right, float baseline, float px) {
    const float top = baseline - 0.88f * px;
    const float pad = 0.4f * px;
    return {left - pad, top, right - left + 2 * pad, 1.2f * px};
}

void draw_label_centred(Renderer& r, std::string_view text, float centre_x, float baseline_y, const TextStyle& style) {
    draw_label(r, text, centre_x - measure_text(r, text, style.px) * 0.5f, baseline_y, style);
}

void draw_label_right(Renderer& r, std::string_view text, float right_x, float baseline_y, const TextStyle& style) {
    draw_label(r, text, right_x - measure_text(r, text, style.px), baseline_y, style);
}
