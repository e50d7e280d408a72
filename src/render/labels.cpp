#include "render/labels.h"

#include "render/text.h"
#include "render/ui_colors.h"

void draw_label(Renderer& r, std::string_view text, float x, float baseline_y, const TextStyle& style) {
    const float n = style.shadow;
    draw_text(r, text, style.px, x + n, baseline_y + n, with_alpha(SHADOW_COLOR, SHADOW_COLOR.a * style.fade));
    draw_text(r, text, style.px, x, baseline_y, with_alpha(style.color, style.color.a * style.fade));
}

void draw_label_centred(Renderer& r, std::string_view text, float centre_x, float baseline_y, const TextStyle& style) {
    draw_label(r, text, centre_x - measure_text(r, text, style.px) * 0.5f, baseline_y, style);
}

void draw_label_right(Renderer& r, std::string_view text, float right_x, float baseline_y, const TextStyle& style) {
    draw_label(r, text, right_x - measure_text(r, text, style.px), baseline_y, style);
}
