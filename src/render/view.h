#pragma once
// The fixed view around the camera, nearest wrapped copies and culling.
#include <cmath>

#include "world/vec2.h"

constexpr float VIEW_WIDTH = 1536.0f;
constexpr float VIEW_HEIGHT = 864.0f;
constexpr float VIEW_HALF_WIDTH = 768.0f;
constexpr float VIEW_HALF_HEIGHT = 432.0f;

// d - round(d / period) * period per axis (rounding half away from zero): the
// offset of the nearest copy. An axis whose period is not a positive finite
// number (a broken world size) is left unwrapped.
inline float nearest_offset(float d, float period) {
    if (!(period > 0) || std::isinf(period)) return d;
    return d - std::round(d / period) * period;
}
inline Vec2 nearest_offset(Vec2 d, Vec2 period) {
    return {nearest_offset(d.x, period.x), nearest_offset(d.y, period.y)};
}

// A position wrapped into [0, size) per axis; an axis whose size is not
// positive is left as it is.
inline float wrap_into(float x, float size) {
    if (!(size > 0)) return x;
    float r = std::fmod(x, size);
    if (r < 0) r = std::fmod(r + size, size);
    return r;
}
inline Vec2 wrap_into(Vec2 p, Vec2 size) { return {wrap_into(p.x, size.x), wrap_into(p.y, size.y)}; }

// Whether something of this reach, at offset d from the camera, can touch the
// view. Offsets that are not numbers are outside.
inline bool within_view(Vec2 d, float reach) {
    return std::fabs(d.x) <= reach + VIEW_HALF_WIDTH && std::fabs(d.y) <= reach + VIEW_HALF_HEIGHT;
}

// Where to draw a world position: its copy nearest the camera. Returns false
// when something of the given reach there is outside the view.
inline bool place_in_view(Vec2 camera, Vec2 world_size, Vec2 p, float reach, Vec2& out) {
    Vec2 d = nearest_offset(p - camera, world_size);
    if (!within_view(d, reach)) return false;
    out = camera + d;
    return true;
}
