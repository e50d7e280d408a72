#include "world/contacts.h"

#include "world/collision.h"
#include "world/damage.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/world_limits.h"

namespace {

// One side of a contact pair: its state for the response and its shape.
struct Party {
    BodyState state;
    float radius;
    const Plane* plane;
    const WorldObject* object;
    Vec2 hull[MAX_HULL_POINTS];
    int count;
};

// A plane takes part with unit inverse mass and no rotation at all.
Party plane_party(const Plane& p) { return Party{{p.pos, p.vel, 0.0f, 1.0f, 0.0f}, PLANE_RADIUS, &p, nullptr, {}, 0}; }

Party object_party(const WorldObject& o) {
    return Party{{o.pos, o.vel, o.spin, 1.0f / o.mass, 1.0f / o.inertia}, object_radius(o), nullptr, &o, {}, 0};
}

void build_hull(Party& p) {
    if (p.plane) {
        plane_hull(p.state.pos, p.plane->angle, p.hull);
        p.count = 3;
    } else {
        p.count = object_hull_at(*p.object, p.state.pos, p.hull);
    }
}

// Broad test, both hulls near the first party, contact and response. Returns
// whether the two touched; the states then hold the results (positions not
// yet wrapped) and `closing` the closing speed.
bool collide(const World& w, Party& a, Party& b, float& closing) {
    Vec2 d = wrapped_delta(a.state.pos, b.state.pos, w.size);
    float reach = a.radius + b.radius;
    if (!(dot(d, d) <= reach * reach)) return false;
    b.state.pos = a.state.pos + d;
    build_hull(a);
    build_hull(b);
    Contact c = polygon_contact(a.hull, a.count, b.hull, b.count);
    if (!c.touching) return false;
    closing = respond(a.state, b.state, c);
    return true;
}

void store_plane(const World& w, Plane& p, const BodyState& s) {
    p.pos = wrap(s.pos, w.size);
    p.vel = s.vel;
}

void store_object(const World& w, WorldObject& o, const BodyState& s) {
    o.pos = wrap(s.pos, w.size);
    o.vel = s.vel;
    o.spin = s.spin;
}

void report_impact(World& w, Vec2 pos, float closing) {
    if (closing >= IMPACT_EVENT_SPEED) push_event_at(w, EVENT_IMPACT, pos, 0, 0, closing);
}

bool is_live(const Plane& p) { return p.in_use && !p.dead; }

void plane_against_object(World& w, Plane& p, WorldObject& o) {
    Party a = plane_party(p);
    Party b = object_party(o);
    float closing = 0.0f;
    if (!collide(w, a, b, closing)) return;
    store_plane(w, p, a.state);
    store_object(w, o, b.state);
    report_impact(w, p.pos, closing);
    crash_into_object(w, p, closing);
}

void plane_against_plane(World& w, Plane& p, Plane& q) {
    Party a = plane_party(p);
    Party b = plane_party(q);
    float closing = 0.0f;
    if (!collide(w, a, b, closing)) return;
    store_plane(w, p, a.state);
    store_plane(w, q, b.state);
    report_impact(w, p.pos, closing);
}

void object_against_object(World& w, WorldObject& o, WorldObject& q) {
    Party a = object_party(o);
    Party b = object_party(q);
    float closing = 0.0f;
    if (!collide(w, a, b, closing)) return;
    store_object(w, o, a.state);
    store_object(w, q, b.state);
    report_impact(w, o.pos, closing);
}

}  // namespace

bool is_solid(const WorldObject& o) { return !o.free && !o.destroyed && o.kind != OBJECT_VESSEL; }

void plane_contacts(World& w) {
    int objects = object_limit(w);
    for (int i = 0; i < MAX_PLANES; ++i) {
        Plane& p = w.planes[i];
        if (!is_live(p)) continue;
        for (int k = 0; k < objects; ++k)
            if (is_solid(w.objects[k])) plane_against_object(w, p, w.objects[k]);
        for (int j = i + 1; j < MAX_PLANES; ++j)
            if (is_live(w.planes[j])) plane_against_plane(w, p, w.planes[j]);
    }
}

void object_contacts(World& w) {
    int objects = object_limit(w);
    for (int k = 0; k < objects; ++k) {
        for (int l = k + 1; l < objects; ++l) {
            if (is_solid(w.objects[k]) && is_solid(w.objects[l])) object_against_object(w, w.objects[k], w.objects[l]);
        }
    }
}
