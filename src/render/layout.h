#pragma once
// Where the interface goes in a framebuffer: the letterbox box, the interface
// scale and the sizes derived from it, and the rectangles of the menu items,
// the leave dialog's buttons, the shop's cells and the minimap. All in
// framebuffer pixels from the top-left, y downward. A click lands on what is
// drawn because both use these rectangles.
#include "world/vec2.h"

struct ScreenRect {
    float x, y, width, height;
};

// Edges included.
constexpr bool rect_holds(const ScreenRect& r, Vec2 p) {
    return r.x <= p.x && p.x <= r.x + r.width && r.y <= p.y && p.y <= r.y + r.height;
}

struct UiLayout {
    float u;                   // interface scale: the display scale, or 1 if that is not positive
    float bx, by, bw, bh;      // the letterbox box
    float body_px;             // round(16 u)
    float line_height;         // round(1.35 body_px)
    float shadow;              // max(round(u), 1)
    float fb_width, fb_height;
};

// The interface scale for a display scale: 1 unless it is a positive number.
float ui_scale(float display_scale);

UiLayout ui_layout(float fb_width, float fb_height, float display_scale);

// Menu screens: item k of `count` (420 u x 40 u, 50 u apart, the block
// centred horizontally with its top at 0.42 of the box height less half the
// block, plus 40 u).
constexpr float MENU_ITEM_WIDTH = 420;
constexpr float MENU_ITEM_HEIGHT = 40;
constexpr float MENU_ITEM_PITCH = 50;
ScreenRect menu_item_rect(const UiLayout& l, int count, int k);

// The leave dialog (340 u x 140 u, centred) and its two buttons, 0 "Stay"
// and 1 "Leave".
ScreenRect dialog_rect(const UiLayout& l);
ScreenRect dialog_button_rect(const UiLayout& l, int button);

// The shop panel (680 u x 441 u, centred) and item k's cell (0..6: four
// cells in the first row, three in the second).
constexpr int SHOP_CELL_COUNT = 7;
ScreenRect shop_panel_rect(const UiLayout& l);
ScreenRect shop_cell_rect(const UiLayout& l, int k);

// The minimap's box: 200 u wide, as tall as the world's aspect makes it,
// 12 u inside the box's bottom-right corner.
ScreenRect minimap_rect(const UiLayout& l, Vec2 world_size);
