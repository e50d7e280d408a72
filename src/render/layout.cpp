#include "render/layout.h"

#include <cmath>

float ui_scale(float display_scale) { return display_scale > 0 && std::isfinite(display_scale) ? display_scale : 1.0f; }

UiLayout ui_layout(float fb_width, float fb_height, float display_scale) {
    UiLayout l;
    l.box = interface_box(fb_width, fb_height, ui_scale(display_scale));
    l.bx = l.box.x;
    l.by = l.box.y;
    l.bw = l.box.width;
    l.bh = l.box.height;
    l.fb_width = fb_width;
    l.fb_height = fb_height;
    return layout_at_scale(l, l.box.u);
}

UiLayout layout_at_scale(const UiLayout& base, float u) {
    UiLayout l = base;
    l.box.u = u;
    l.u = u;
    l.body_px = std::round(16 * u);
    l.line_height = std::round(1.35f * l.body_px);
    l.shadow = std::fmax(std::round(u), 1.0f);
    return l;
}

Rect minimap_rect(const UiLayout& l, Vec2 world_size) {
    const float u = l.u;
    const float width = 200 * u;
    // A world size from the wire that is not positive gets the usual 16:9.
    const bool sized = world_size.x > 0 && world_size.y > 0;
    const float height = sized ? 200 * u * world_size.y / world_size.x : 112.5f * u;
    return {l.bx + l.bw - 12 * u - width, l.by + l.bh - 12 * u - height, width, height};
}
