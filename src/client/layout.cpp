#include "client/layout.h"

#include <cmath>

#include "client/interface.h"

namespace {

constexpr float ITEM_WIDTH = 420.0f;
constexpr float ITEM_HEIGHT = 40.0f;
constexpr float ITEM_PITCH = 50.0f;

constexpr float DIALOG_WIDTH = 340.0f;
constexpr float DIALOG_HEIGHT = 140.0f;
constexpr float BUTTON_WIDTH = 120.0f;
constexpr float BUTTON_HEIGHT = 36.0f;
constexpr float BUTTON_BOTTOM_MARGIN = 20.0f;

constexpr float SHOP_WIDTH = 680.0f;
constexpr float SHOP_HEIGHT = 441.0f;
constexpr float CELL_WIDTH = 150.0f;
constexpr float CELL_HEIGHT = 170.0f;
constexpr float CELL_LEFT = 16.0f;
constexpr float CELL_TOP = 45.0f;
constexpr float CELL_PITCH_X = 166.0f;
constexpr float CELL_PITCH_Y = 186.0f;

// The margin an overlay keeps from the box's edges, in its own units.
constexpr float OVERLAY_MARGIN = 12.0f;

// The box again, laid out at another interface scale.
InterfaceBox at_scale(const InterfaceBox& box, float u) {
    InterfaceBox scaled = box;
    scaled.u = u;
    return scaled;
}

// A rectangle of width x height centred in the box, its corner rounded.
Rect centred(const InterfaceBox& box, float width, float height) {
    return {std::round(box.x + (box.width - width) / 2), std::round(box.y + (box.height - height) / 2), width, height};
}

}  // namespace

bool hits(const Rect& r, float px, float py) { return r.x <= px && px <= r.x + r.w && r.y <= py && py <= r.y + r.h; }

InterfaceBox interface_box(float fb_width, float fb_height, float display_scale) {
    const float sx = fb_width / BOX_WIDTH;
    const float sy = fb_height / BOX_HEIGHT;
    const float s = std::isnan(sx) ? sy : std::fmin(sx, sy);
    InterfaceBox box;
    box.width = BOX_WIDTH * s;
    box.height = BOX_HEIGHT * s;
    box.x = std::floor((fb_width - box.width) / 2);
    box.y = std::floor((fb_height - box.height) / 2);
    box.u = display_scale > 0.0f ? display_scale : 1.0f;
    box.scale = s;
    return box;
}

Rect menu_item_rect(const InterfaceBox& box, int count, int k) {
    const float u = box.u;
    const float pitch = ITEM_PITCH * u;
    const float x = std::round(box.x + (box.width - ITEM_WIDTH * u) / 2);
    const float y = std::round(box.y + 0.42f * box.height - (count * pitch - 10.0f * u) / 2 + 40.0f * u + k * pitch);
    return {x, y, ITEM_WIDTH * u, ITEM_HEIGHT * u};
}

float overlay_scale(const InterfaceBox& box, float width, float height) {
    const float fit = std::fmin(box.width / (width + 2 * OVERLAY_MARGIN), box.height / (height + 2 * OVERLAY_MARGIN));
    return std::fmin(box.u, fit);
}

float leave_dialog_scale(const InterfaceBox& box) { return overlay_scale(box, DIALOG_WIDTH, DIALOG_HEIGHT); }
float shop_scale(const InterfaceBox& box) { return overlay_scale(box, SHOP_WIDTH, SHOP_HEIGHT); }

Rect leave_dialog_rect(const InterfaceBox& box) {
    const float u = leave_dialog_scale(box);
    return centred(box, DIALOG_WIDTH * u, DIALOG_HEIGHT * u);
}

Rect leave_button_rect(const InterfaceBox& box, uint8_t button) {
    const float u = leave_dialog_scale(box);
    const Rect d = leave_dialog_rect(at_scale(box, u));
    const float gap = (DIALOG_WIDTH * u - 2 * BUTTON_WIDTH * u) / 3;
    const float dx = button == LEAVE_STAY ? gap : BUTTON_WIDTH * u + 2 * gap;
    const float dy = DIALOG_HEIGHT * u - BUTTON_HEIGHT * u - BUTTON_BOTTOM_MARGIN * u;
    return {std::round(d.x + dx), std::round(d.y + dy), BUTTON_WIDTH * u, BUTTON_HEIGHT * u};
}

Rect shop_panel_rect(const InterfaceBox& box) {
    const float u = shop_scale(box);
    return centred(box, SHOP_WIDTH * u, SHOP_HEIGHT * u);
}

Rect shop_cell_rect(const InterfaceBox& box, int k) {
    const float u = shop_scale(box);
    const Rect p = shop_panel_rect(at_scale(box, u));
    const int row = k < SHOP_ROW ? 0 : 1;
    const int column = k < SHOP_ROW ? k : k - SHOP_ROW;
    return {std::round(p.x + CELL_LEFT * u + CELL_PITCH_X * u * column),
            std::round(p.y + CELL_TOP * u + CELL_PITCH_Y * u * row), CELL_WIDTH * u, CELL_HEIGHT * u};
}
