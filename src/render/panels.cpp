#include "render/panels.h"

#include <cmath>

namespace {
constexpr float PI = 3.14159265f;
constexpr int HALF_CIRCLE_SEGMENTS = 12;
}  // namespace

void push_pill(CapsuleList& list, const Rect& r, Color c) {
    const float radius = r.h / 2;
    const float y = r.y + radius;
    push_segment(list, {r.x + radius, y}, {r.x + r.w - radius, y}, radius, c);
}

void push_pill_outline(CapsuleList& list, const Rect& r, float line_radius, Color c) {
    const float radius = r.h / 2;
    const Vec2 left = {r.x + radius, r.y + radius};
    const Vec2 right = {r.x + r.w - radius, r.y + radius};
    push_segment(list, {left.x, r.y}, {right.x, r.y}, line_radius, c);
    push_segment(list, {left.x, r.y + r.h}, {right.x, r.y + r.h}, line_radius, c);
    // Each end from its top to its bottom: the left one through the far left,
    // the right one through the far right.
    for (int side = 0; side < 2; ++side) {
        const Vec2 centre = side == 0 ? left : right;
        const float direction = side == 0 ? -1.0f : 1.0f;
        Vec2 previous = {centre.x, centre.y - radius};
        for (int k = 1; k <= HALF_CIRCLE_SEGMENTS; ++k) {
            const float a = PI * static_cast<float>(k) / HALF_CIRCLE_SEGMENTS;
            const Vec2 p = {centre.x + direction * radius * std::sin(a), centre.y - radius * std::cos(a)};
            push_segment(list, previous, p, line_radius, c);
            previous = p;
        }
    }
}

void push_frame(CapsuleList& list, const Rect& r, float inset, float line_radius, Color c) {
    const Vec2 a = {r.x + inset, r.y + inset};
    const Vec2 b = {r.x + r.w - inset, r.y + r.h - inset};
    push_segment(list, a, {b.x, a.y}, line_radius, c);
    push_segment(list, {b.x, a.y}, b, line_radius, c);
    push_segment(list, b, {a.x, b.y}, line_radius, c);
    push_segment(list, {a.x, b.y}, a, line_radius, c);
}

void push_scissored_fill(CapsuleList& list, const Rect& r, Color c) {
    const float y = r.y + r.h / 2;
    push_segment(list, {r.x, y}, {r.x + r.w, y}, r.h, c);
}

void push_resource_icon(CapsuleList& list, Vec2 centre, float u, Color c) {
    push_disc(list, centre, 6 * u, c);
    push_disc(list, centre, 4 * u, scale_rgb(c, 0.35f));
}
