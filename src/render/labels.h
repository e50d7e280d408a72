#pragma once
// Interface text: every label is drawn twice, first a black shadow offset
// down and right, then the text itself, both faded together.
#include <string_view>

#include "base/color.h"

struct Renderer;

struct TextStyle {
    float px;       // pixel size
    Color color;
    float shadow;   // shadow offset in pixels
    float fade = 1; // multiplies the alpha of text and shadow
};

// x is the pen's left edge, baseline_y the baseline.
void draw_label(Renderer& r, std::string_view text, float x, float baseline_y, const TextStyle& style);
void draw_label_centred(Renderer& r, std::string_view text, float centre_x, float baseline_y, const TextStyle& style);
void draw_label_right(Renderer& r, std::string_view text, float right_x, float baseline_y, const TextStyle& style);
