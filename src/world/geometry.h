#pragma once
// Wrapping on the torus, rotation, polygon mass properties. Every formula keeps
// the exact order of float32 operations that client and server share.
#include <cmath>
#include <cstdint>

#include "world/vec2.h"
#include "world/world.h"

constexpr float TWO_PI = 6.2831855f;
constexpr float PI = 3.1415927f;
// Mass per square world unit of every polygon body (1/1750).
constexpr float POLYGON_DENSITY = 0.00057142857f;

// Position wrapped into [0, size) per component.
Vec2 wrap(Vec2 p, Vec2 size);
float wrap_coord(float x, float size);
// d - size * round(d / size). Well inside half the size the rounding gives a
// zero of d's sign, and the subtraction leaves d unchanged except that -0
// becomes +0, which `d + 0` reproduces without the division and the rounding.
// Inline: the step calls it thousands of times per tick.
inline float wrap_difference(float d, float size) {
    if (std::fabs(d) < 0.25f * size && size <= 3.4028235e38f) return d + 0.0f;
    return d - size * std::round(d / size);
}
// Displacement from a to b through the nearest wrapped copy.
inline Vec2 wrapped_delta(Vec2 a, Vec2 b, Vec2 size) {
    Vec2 d = b - a;
    d.x = wrap_difference(d.x, size.x);
    d.y = wrap_difference(d.y, size.y);
    return d;
}
// Angle into [0, 2pi).
float wrap_angle(float a);

// R(a) v with one sine-cosine evaluation.
Vec2 rotate(Vec2 v, float a);
// R(-a) v, computed as (v.x c + v.y s, v.y c - v.x s).
Vec2 rotate_inverse(Vec2 v, float a);
// The same rotations with a precomputed sine and cosine.
constexpr Vec2 rotate_sc(Vec2 v, float s, float c) { return {v.x * c - v.y * s, v.x * s + v.y * c}; }
constexpr Vec2 rotate_inverse_sc(Vec2 v, float s, float c) { return {v.x * c + v.y * s, v.y * c - v.x * s}; }

// A blank object whose hull is the n points (2..8) given in any frame: the
// points are moved to be relative to their centroid, which becomes `pos`.
WorldObject polygon_body(const Vec2* points, int n);

// Replaces an object's mass by a fixed value, scaling the inertia by the same ratio.
void set_fixed_mass(WorldObject& o, float mass);

// The hull origin in world coordinates.
Vec2 hull_origin_world(const WorldObject& o);

inline float length(Vec2 v) { return std::sqrt(dot(v, v)); }
