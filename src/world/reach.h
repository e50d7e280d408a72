#pragma once
// Cheap, conservative distance tests that let the step skip pairs whose exact
// test cannot succeed. They never decide a touch or a hit themselves: they
// only rule out pairs that are certainly farther apart than the exact test's
// reach, with a margin far above the rounding of the exact arithmetic.
#include <cmath>

#include "world/vec2.h"
#include "world/world.h"

// True when the nearest copies of coordinates a and b are surely more than
// `reach` apart. Coordinates more than one field apart (only in a world from
// the wire) are left to the exact test.
inline bool axis_beyond(float a, float b, float reach, float size) {
    float d = std::fabs(b - a);
    if (!(d < size)) return false;
    float nearest = d > size * 0.5f ? size - d : d;  // never more than the wrapped distance
    float margin = 1.0f + 1e-5f * (std::fabs(a) + std::fabs(b) + reach);
    return nearest > reach + margin;
}

// The same in two dimensions, with a separate reach per axis.
inline bool surely_beyond(Vec2 a, Vec2 b, float reach_x, float reach_y, Vec2 size) {
    return axis_beyond(a.x, b.x, reach_x, size.x) || axis_beyond(a.y, b.y, reach_y, size.y);
}

// A segment from p0 moving by `move` cannot reach any shape that lies within
// `radius` of `centre` (a shot's own 2.5 is part of `radius`).
inline bool segment_beyond(Vec2 p0, Vec2 move, Vec2 centre, float radius, Vec2 size) {
    return surely_beyond(p0, centre, radius + std::fabs(move.x), radius + std::fabs(move.y), size);
}
