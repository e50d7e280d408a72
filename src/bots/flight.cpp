#include "bots/flight.h"

#include <cmath>

#include "world/fmath.h"
#include "world/forces.h"
#include "world/geometry.h"
#include "world/world_limits.h"

namespace {

constexpr float TURN_DEAD_BAND = 0.02f;      // less than one tick's turn (0.0333)
constexpr float THRUST_CONE = 0.45f;         // thrusting this far off still helps
constexpr float VELOCITY_SLACK = 14.0f;      // closer than this is close enough
constexpr float BRAKING = 130.0f;            // wu/s^2 planned for slowing down (turning takes time)
constexpr float ORBIT_PULL = 1.4f;           // per second, towards the wanted radius
constexpr float ORBIT_PULL_MAX = 180.0f;
constexpr float SUN_MARGIN = 40.0f;
constexpr float PLANET_MARGIN = 55.0f;
constexpr float DETOUR_MARGIN = 90.0f;
constexpr float LEAVE_SPEED = 3.0f;          // per wu of the safe distance intruded

}  // namespace

float angle_between(float from, float to) {
    float d = to - from;
    while (d > PI) d -= TWO_PI;
    while (d < -PI) d += TWO_PI;
    return d;
}

float heading_of(Vec2 v) { return fatan2(v.y, v.x); }

Vec2 unit(Vec2 v) {
    const float l = length(v);
    return l > 1e-4f ? v / l : Vec2{0, 0};
}

void turn_toward(const Plane& p, float heading, Steer& s) {
    const float d = angle_between(p.angle, heading);
    s.turn_left = d < -TURN_DEAD_BAND;
    s.turn_right = d > TURN_DEAD_BAND;
}

bool match_velocity(const Plane& p, Vec2 want, Steer& s) {
    const Vec2 error = want - p.vel;
    if (length(error) < VELOCITY_SLACK) return false;
    const float heading = heading_of(error);
    turn_toward(p, heading, s);
    s.thrust = std::fabs(angle_between(p.angle, heading)) < THRUST_CONE;
    return true;
}

float safe_distance(const Plane& p, const CelestialBody& body, const Rules& rules) {
    if (!body.is_sun) return body.radius + PLANET_MARGIN;
    if (p.has_sun_shield) return body.radius + SUN_MARGIN;
    return body.radius + rules.sun_heat_range + SUN_MARGIN;
}

Vec2 approach_velocity(const World& w, const Plane& p, Vec2 point, Vec2 point_vel, float stop_radius, float cruise) {
    const Vec2 d = wrapped_delta(p.pos, point, w.size);
    const float dist = length(d);
    if (dist < 1.0f) return point_vel;
    Vec2 dir = d / dist;
    // A body between here and there: head for the edge of its safe disc.
    for (int i = 0; i < body_limit(w); ++i) {
        const CelestialBody& b = w.bodies[i];
        const Vec2 to_body = wrapped_delta(p.pos, b.pos, w.size);
        const float body_dist = length(to_body);
        const float clear = safe_distance(p, b, w.rules) + DETOUR_MARGIN;
        if (body_dist <= clear || body_dist > dist + clear) continue;
        const Vec2 u = to_body / body_dist;
        // Blocked when the way lies within the disc's half angle: sine
        // clear / body_dist, so cosine sqrt(1 - sine^2).
        const float s = clear / body_dist;
        const float c = std::sqrt(1.0f - s * s);
        if (dot(u, dir) <= c) continue;
        const float side = cross(u, dir) >= 0.0f ? 1.0f : -1.0f;
        dir = Vec2{u.x * c - u.y * s * side, u.x * s * side + u.y * c};
        break;
    }
    const float gap = dist - stop_radius;
    const float speed = gap > 0.0f ? std::fmin(cruise, std::sqrt(2.0f * BRAKING * gap)) : 0.0f;
    return point_vel + dir * speed;
}

Vec2 orbit_velocity(const World& w, const Plane& p, const CelestialBody& body, float radius) {
    const Vec2 out = wrapped_delta(body.pos, p.pos, w.size);
    const float dist = length(out);
    if (dist < 1.0f) return {0, 0};
    const Vec2 n = out / dist;
    const Vec2 t = perp(n);
    const float sense = dot(p.vel, t) >= 0.0f ? 1.0f : -1.0f;
    float pull = (radius - dist) * ORBIT_PULL;
    if (pull > ORBIT_PULL_MAX) pull = ORBIT_PULL_MAX;
    if (pull < -ORBIT_PULL_MAX) pull = -ORBIT_PULL_MAX;
    return t * (circular_speed(body, radius) * sense) + n * pull;
}

Vec2 keep_clear(const World& w, const Plane& p, Vec2 want) {
    for (int i = 0; i < body_limit(w); ++i) {
        const CelestialBody& b = w.bodies[i];
        const Vec2 out = wrapped_delta(b.pos, p.pos, w.size);
        const float dist = length(out);
        if (dist < 1.0f) continue;
        const float gap = dist - safe_distance(p, b, w.rules);
        if (gap > 1000.0f) continue;
        const Vec2 n = out / dist;
        // The fastest approach from which the plane can still stop in time;
        // inside, an outward speed growing with the depth.
        const float least = gap > 0.0f ? -std::sqrt(2.0f * BRAKING * gap) : -gap * LEAVE_SPEED;
        const float outward = dot(want, n);
        if (outward < least) want += n * (least - outward);
    }
    return want;
}
