#include "world/bodies.h"

#include "world/collision.h"
#include "world/contacts.h"
#include "world/damage.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/reach.h"
#include "world/world_limits.h"

namespace {

// The response of a mover (hull around `state.pos`) touching the body; false
// when it does not touch. `closing` receives the closing speed.
bool touch(const World& w, const CelestialBody& body, const Vec2* hull, int n, BodyState& state, float& closing) {
    Vec2 c = nearest_copy(body.pos, state.pos, w.size);
    BoundaryPoint nearest = nearest_boundary_point(hull, n, c);
    if (!nearest.found) return false;
    float m = nearest.distance;
    Vec2 q = m <= 0.001f ? state.pos : nearest.point;
    float depth = body.radius + BODY_MARGIN - m;
    if (!(depth > 0.0f)) return false;
    Vec2 out = q - c;
    float out_length = length(out);
    if (out_length == 0.0f) return false;  // no direction to push along
    BodyState fixed{c, {0.0f, 0.0f}, 0.0f, 0.0f, 0.0f};
    closing = respond(fixed, state, Contact{out / out_length, q, depth, true});
    return true;
}

// A hull within `radius` of `pos` (2.5 included) surely cannot come within
// the body's radius + 2.5.
bool out_of_touch(const World& w, Vec2 pos, float radius, const CelestialBody& body) {
    float reach = body.radius + radius;
    return surely_beyond(pos, body.pos, reach, reach, w.size);
}

void plane_against_body(World& w, Plane& p, const CelestialBody& body) {
    Vec2 hull[3];
    plane_hull(p.pos, p.angle, hull);
    BodyState state{p.pos, p.vel, 0.0f, 1.0f, 0.0f};
    float closing = 0.0f;
    if (!touch(w, body, hull, 3, state, closing)) return;
    p.pos = wrap(state.pos, w.size);
    p.vel = state.vel;
    if (closing >= IMPACT_EVENT_SPEED) push_event_at(w, EVENT_IMPACT, p.pos, 0, 0, closing);
    plane_touches_body(w, p, body, closing);
}

void object_against_body(World& w, const HullCache& cache, int k, const CelestialBody& body) {
    WorldObject& o = w.objects[k];
    Vec2 hull[MAX_HULL_POINTS];
    int n = cached_hull_at(w, cache, k, o.pos, hull);
    BodyState state{o.pos, o.vel, o.spin, 1.0f / o.mass, 1.0f / o.inertia};
    float closing = 0.0f;
    if (!touch(w, body, hull, n, state, closing)) return;
    o.pos = wrap(state.pos, w.size);
    o.vel = state.vel;
    o.spin = state.spin;
    if (closing >= IMPACT_EVENT_SPEED) push_event_at(w, EVENT_IMPACT, o.pos, 0, 0, closing);
    object_touches_body(w, o, body);
}

}  // namespace

void body_contacts(World& w, const HullCache& cache) {
    int bodies = body_limit(w);
    int objects = object_limit(w);
    for (int b = 0; b < bodies; ++b) {
        const CelestialBody& body = w.bodies[b];
        for (Plane& p : w.planes)
            if (p.in_use && !p.dead && !out_of_touch(w, p.pos, PLANE_RADIUS, body)) plane_against_body(w, p, body);
        for (int k = 0; k < objects; ++k) {
            const WorldObject& o = w.objects[k];
            if (!o.free && !o.destroyed && !out_of_touch(w, o.pos, cache.radius[k], body))
                object_against_body(w, cache, k, body);
        }
    }
}
