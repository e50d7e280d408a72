#pragma once
// Where the interface goes in a framebuffer: the letterbox box, the interface
// scale and the sizes derived from it, and the minimap's box. The clickable
// items (menu rows, the leave dialog and its buttons, the shop's panel and
// cells) are the click handling's own rectangles (client/layout.h), so a
// click lands on what is drawn. All in framebuffer pixels from the top-left,
// y downward.
#include "client/layout.h"
#include "world/vec2.h"

struct UiLayout {
    InterfaceBox box;          // the letterbox box and the interface scale
    float u;                   // the display scale, or 1 if that is not positive
    float bx, by, bw, bh;      // the box again, for short sums
    float body_px;             // round(16 u)
    float line_height;         // round(1.35 body_px)
    float shadow;              // max(round(u), 1)
    float fb_width, fb_height;
};

// The interface scale for a display scale: 1 unless it is a positive number.
float ui_scale(float display_scale);

UiLayout ui_layout(float fb_width, float fb_height, float display_scale);

// The same box laid out at interface scale u (an overlay scaled down to fit).
UiLayout layout_at_scale(const UiLayout& base, float u);

// The minimap's box: 200 u wide, as tall as the world's aspect makes it,
// 12 u inside the box's bottom-right corner.
Rect minimap_rect(const UiLayout& l, Vec2 world_size);
