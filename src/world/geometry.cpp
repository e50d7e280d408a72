#include "world/geometry.h"

#include <cmath>

#include "world/fmath.h"

float wrap_coord(float x, float size) {
    float r = std::fmod(x, size);
    if (x < 0) r = std::fmod(r + size, size);
    return r;
}

Vec2 wrap(Vec2 p, Vec2 size) { return {wrap_coord(p.x, size.x), wrap_coord(p.y, size.y)}; }

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

Vec2 hull_origin_world(const WorldObject& o) { return o.pos + rotate(o.hull_offset, o.angle); }
