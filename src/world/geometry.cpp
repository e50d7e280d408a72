#include "world/geometry.h"

#include <cmath>

#include "world/fmath.h"

float wrap_coord(float x, float size) {
    float r = std::fmod(x, size);
    if (x < 0) r = std::fmod(r + size, size);
    return r;
}

Vec2 wrap(Vec2 p, Vec2 size) { return {wrap_coord(p.x, size.x), wrap_coord(p.y, size.y)}; }

namespace {

// d - size * round(d / size). Well inside half the size the rounding gives a
// zero of d's sign, and the subtraction leaves d unchanged except that -0
// becomes +0, which `d + 0` reproduces without the division and the rounding.
float wrap_difference(float d, float size) {
    if (std::fabs(d) < 0.25f * size && size <= 3.4028235e38f) return d + 0.0f;
    return d - size * std::round(d / size);
}

}  // namespace

Vec2 wrapped_delta(Vec2 a, Vec2 b, Vec2 size) {
    Vec2 d = b - a;
    d.x = wrap_difference(d.x, size.x);
    d.y = wrap_difference(d.y, size.y);
    return d;
}

float wrap_angle(float a) {
    float r = std::fmod(a, TWO_PI);
    if (a < 0) r = std::fmod(r + TWO_PI, TWO_PI);
    return r;
}

Vec2 rotate(Vec2 v, float a) {
    float s, c;
    fsincos(a, s, c);
    return rotate_sc(v, s, c);
}

Vec2 rotate_inverse(Vec2 v, float a) {
    float s, c;
    fsincos(a, s, c);
    return rotate_inverse_sc(v, s, c);
}

float length(Vec2 v) { return std::sqrt(dot(v, v)); }

WorldObject polygon_body(const Vec2* p, int n) {
    float D = 0;
    Vec2 S{0, 0};
    for (int i = 0; i < n; ++i) {
        Vec2 a = p[i];
        Vec2 b = p[(i + 1) % n];
        float c = a.x * b.y - a.y * b.x;
        D = D + c;
        S = S + (a + b) * c;
    }
    Vec2 C = S / (3.0f * D);

    WorldObject o{};
    o.point_count = static_cast<uint64_t>(n);
    for (int i = 0; i < n; ++i) o.points[i] = p[i] - C;
    float A = std::fabs(D) * 0.5f;
    o.area = A;
    o.mass = POLYGON_DENSITY * A;

    float T = 0;
    for (int i = 0; i < n; ++i) {
        Vec2 q0 = o.points[i];
        Vec2 q1 = o.points[(i + 1) % n];
        T = T + (dot(q0, q0) + dot(q0, q1) + dot(q1, q1)) * cross(q0, q1);
    }
    o.inertia = (POLYGON_DENSITY * std::fabs(T)) / 12.0f;

    o.hull_offset = {0, 0};
    o.pos = C;
    o.owner = NONE;
    o.upgrading_station = NONE;
    return o;
}

void set_fixed_mass(WorldObject& o, float mass) {
    o.inertia = mass / o.mass * o.inertia;
    o.mass = mass;
}

Vec2 hull_point_world(const WorldObject& o, int i) { return o.pos + rotate(o.points[i], o.angle); }

Vec2 hull_origin_world(const WorldObject& o) { return o.pos + rotate(o.hull_offset, o.angle); }
