#pragma once
// Interface text: every label is drawn twice, first a black shadow offset
// down and right, then the text itself, both faded together. A HUD label,
// drawn over the world, also gets a dark backing pill so that it reads over
// the brightest ground (the sun's white core included).
#include <string_view>

#include "base/color.h"
#include "client/layout.h"

struct Renderer;

struct TextStyle {
    float px;       // pixel size
    Color color;
    float shadow;   // shadow offset in pixels
    float fade = 1; // multiplies the alpha of text, shadow and backing
    bool backed = false;  // on a backing pill (HUD texts)
};

// The backing pill of a text running from `left` to `right` on `baseline` at
// pixel size px: a line box from the ascent to the descent with some room.
Rect backing_rect(float left, float right, float baseline, float px);

// x is the pen's left edge, baseline_y the baseline.
void draw_label(Renderer& r, std::string_view text, float x, float baseline_y, const TextStyle& style);
void draw_label_centred(Renderer& r, std::string_view text, float centre_x, float baseline_y, const TextStyle& style);
void draw_label_right(Renderer& r, std::string_view text, float right_x, float baseline_y, const TextStyle& style);
