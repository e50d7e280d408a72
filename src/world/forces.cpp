#include "world/forces.h"

#include <cmath>

#include "world/geometry.h"
#include "world/world_limits.h"

namespace {

constexpr float SPEED_RATIO_LOW = 0.3f;     // the assist ramps in from here ...
constexpr float SPEED_RATIO_RAMP = 0.2f;    // ... over this much
constexpr float SPEED_RATIO_HIGH = 2.2f;    // and ramps out towards here
constexpr float SPEED_RATIO_SLOPE = 2.0f;
constexpr float RADIAL_DAMPING = 2.5f;
constexpr float TANGENTIAL_GAIN = 1.5f;
constexpr float ASSIST_CAP = 220.0f;

float clamp_unit(float x) {
    if (x < 0.0f) return 0.0f;
    if (x > 1.0f) return 1.0f;
    return x;
}

}  // namespace

float circular_speed(const CelestialBody& b, float dist) {
    float r = b.radius;
    return std::sqrt((b.surface_gravity * r * r / (dist * dist)) * dist);
}

Vec2 gravity(const World& w, Vec2 p) {
    Vec2 a{0, 0};
    int n = body_limit(w);
    for (int i = 0; i < n; ++i) {
        const CelestialBody& b = w.bodies[i];
        const BodyReach& reach = reach_of(b);
        Vec2 d = wrapped_delta(p, b.pos, w.size);
        float dist = length(d);
        if (dist >= reach.gravity_range || dist < 0.001f) continue;
        float r = b.radius;
        float g = b.surface_gravity;
        float nearest = std::isnan(dist) ? r : (r > dist ? r : dist);
        float strength = (g * r * r) / (nearest * nearest);
        float falloff = clamp_unit((reach.gravity_range - dist) / reach.gravity_fade);
        a += d * (strength * falloff / dist);
    }
    return a;
}

Vec2 orbit_assist(const World& w, Vec2 p, Vec2 v) {
    Vec2 sum{0, 0};
    float s = length(v);
    int n = body_limit(w);
    for (int i = 0; i < n; ++i) {
        const CelestialBody& b = w.bodies[i];
        float window = reach_of(b).orbit_window;
        Vec2 d = wrapped_delta(p, b.pos, w.size);
        float dist = length(d);
        float h = dist - b.radius;
        if (h < 0.0f || h > window) continue;

        float vo = circular_speed(b, dist);
        float q = s / vo;
        float rising = (q - SPEED_RATIO_LOW) / SPEED_RATIO_RAMP;
        float falling = (SPEED_RATIO_HIGH - q) * SPEED_RATIO_SLOPE;
        // A NaN rising term (0/0 speeds) yields the falling one.
        float weight = clamp_unit(rising < falling ? rising : falling);
        float k = (1.0f - h / window) * weight;
        if (k <= 0.0f) continue;

        Vec2 normal = -d / dist;
        Vec2 tangent{-normal.y, normal.x};
        float vn = dot(v, normal);
        float vt = dot(v, tangent);
        float target = vt >= 0.0f ? vo : -vo;
        Vec2 force = normal * (-RADIAL_DAMPING * vn) + tangent * (TANGENTIAL_GAIN * (target - vt));
        float limit = (1.0f - h / window) * (weight * ASSIST_CAP);
        float magnitude = length(force);
        if (magnitude > limit) force = force * (limit / magnitude);
        sum += force;
    }
    return sum;
}
