#include "render/layout.h"

#include <cmath>

#include "render/letterbox.h"

float ui_scale(float display_scale) { return display_scale > 0 && std::isfinite(display_scale) ? display_scale : 1.0f; }

UiLayout ui_layout(float fb_width, float fb_height, float display_scale) {
    const Letterbox box = compute_letterbox(fb_width, fb_height);
    UiLayout l;
    l.u = ui_scale(display_scale);
    l.bx = box.x;
    l.by = box.y;
    l.bw = box.width;
    l.bh = box.height;
    l.body_px = std::round(16 * l.u);
    l.line_height = std::round(1.35f * l.body_px);
    l.shadow = std::fmax(std::round(l.u), 1.0f);
    l.fb_width = fb_width;
    l.fb_height = fb_height;
    return l;
}

ScreenRect menu_item_rect(const UiLayout& l, int count, int k) {
    const float u = l.u;
    const float n = static_cast<float>(count);
    const float x = std::round(l.bx + (l.bw - MENU_ITEM_WIDTH * u) / 2);
    const float y = std::round(l.by + 0.42f * l.bh - (n * MENU_ITEM_PITCH * u - 10 * u) / 2 + 40 * u +
                               static_cast<float>(k) * MENU_ITEM_PITCH * u);
    return {x, y, MENU_ITEM_WIDTH * u, MENU_ITEM_HEIGHT * u};
}

ScreenRect dialog_rect(const UiLayout& l) {
    const float u = l.u;
    return {std::round(l.bx + (l.bw - 340 * u) / 2), std::round(l.by + (l.bh - 140 * u) / 2), 340 * u, 140 * u};
}

ScreenRect dialog_button_rect(const UiLayout& l, int button) {
    const float u = l.u;
    const ScreenRect d = dialog_rect(l);
    const float gap = (340 * u - 240 * u) / 3;
    const float dx = button == 0 ? gap : 120 * u + 2 * gap;
    return {std::round(d.x + dx), std::round(d.y + (140 * u - 36 * u - 20 * u)), 120 * u, 36 * u};
}

ScreenRect shop_panel_rect(const UiLayout& l) {
    const float u = l.u;
    return {std::round(l.bx + (l.bw - 680 * u) / 2), std::round(l.by + (l.bh - 441 * u) / 2), 680 * u, 441 * u};
}

ScreenRect shop_cell_rect(const UiLayout& l, int k) {
    const float u = l.u;
    const ScreenRect p = shop_panel_rect(l);
    const int row = k < 4 ? 0 : 1;
    const int column = k < 4 ? k : k - 4;
    return {std::round(p.x + 16 * u + 166 * u * static_cast<float>(column)),
            std::round(p.y + 45 * u + 186 * u * static_cast<float>(row)), 150 * u, 170 * u};
}

ScreenRect minimap_rect(const UiLayout& l, Vec2 world_size) {
    const float u = l.u;
    const float width = 200 * u;
    // A world size from the wire that is not positive gets the usual 16:9.
    const bool sized = world_size.x > 0 && world_size.y > 0;
    const float height = sized ? 200 * u * world_size.y / world_size.x : 112.5f * u;
    return {l.bx + l.bw - 12 * u - width, l.by + l.bh - 12 * u - height, width, height};
}
