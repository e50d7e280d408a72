#pragma once
// Where the interface's clickable items are, in framebuffer pixels with y
// downward. The drawing uses the same rectangles, so a click lands on what
// the player sees. Everything is laid out in a centred 1536 x 864 box that
// keeps its shape in any framebuffer, with sizes multiplied by the display's
// interface scale u.
#include <cstdint>

struct Rect {
    float x, y, w, h;
};

// A point on an edge is inside.
bool hits(const Rect& r, float px, float py);

struct InterfaceBox {
    float x, y;           // top-left corner, whole pixels
    float width, height;  // not rounded
    float u;              // the interface scale
    float scale;          // framebuffer pixels per box unit
};

constexpr float BOX_WIDTH = 1536.0f;
constexpr float BOX_HEIGHT = 864.0f;

// The box in a framebuffer of fb_width x fb_height pixels. `display_scale`
// is the platform's display scale; one that is not above 0 counts as 1.
InterfaceBox interface_box(float fb_width, float fb_height, float display_scale);

// Item k (from 0) of a menu of `count` items (420 u x 40 u, 50 u apart).
Rect menu_item_rect(const InterfaceBox& box, int count, int k);

// The scale an overlay of width x height units is laid out at: the interface
// scale u, or less when that would not fit the box with a margin of 12 units
// (at the overlay's scale) around it, so a small window shows it whole.
float overlay_scale(const InterfaceBox& box, float width, float height);
float leave_dialog_scale(const InterfaceBox& box);
float shop_scale(const InterfaceBox& box);

// The leave dialog (340 u x 140 u, centred, u its overlay scale) and its
// buttons "Stay" (0) and "Leave" (1) of 120 u x 36 u, on one line near its
// bottom.
Rect leave_dialog_rect(const InterfaceBox& box);
Rect leave_button_rect(const InterfaceBox& box, uint8_t button);

// The shop panel (680 u x 441 u, centred, u its overlay scale) and item k's
// cell (150 u x 170 u): items 0..3 in the first row, 4..6 in the second.
Rect shop_panel_rect(const InterfaceBox& box);
Rect shop_cell_rect(const InterfaceBox& box, int k);
