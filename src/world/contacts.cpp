#include "world/contacts.h"

#include <bit>
#include <cmath>

#include "world/collision.h"
#include "world/damage.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/reach.h"
#include "world/world_limits.h"

namespace {

// One side of a contact pair: its state for the response and its hull.
struct Party {
    BodyState state;
    float radius;
    Vec2 hull[MAX_HULL_POINTS];
    int count;
};

// A plane takes part with unit inverse mass and no rotation at all.
Party plane_party(const Plane& p) {
    Party party;
    party.state = {p.pos, p.vel, 0.0f, 1.0f, 0.0f};
    party.radius = PLANE_RADIUS;
    return party;
}

Party object_party(const World& w, const HullCache& cache, int k) {
    const WorldObject& o = w.objects[k];
    Party party;
    party.state = {o.pos, o.vel, o.spin, 1.0f / o.mass, 1.0f / o.inertia};
    party.radius = cache.radius[k];
    return party;
}

void plane_hull_of(Party& party, const Plane& p) {
    plane_hull(party.state.pos, p.angle, party.hull);
    party.count = 3;
}

void object_hull_of(Party& party, const World& w, const HullCache& cache, int k) {
    party.count = cached_hull_at(w, cache, k, party.state.pos, party.hull);
}

// Broad test, then the second party moved to its copy nearest the first. The
// caller builds both hulls around the positions in the states.
bool near_enough(const World& w, const Party& a, Party& b) {
    Vec2 d = wrapped_delta(a.state.pos, b.state.pos, w.size);
    float reach = a.radius + b.radius;
    if (!(dot(d, d) <= reach * reach)) return false;
    b.state.pos = a.state.pos + d;
    return true;
}

// Contact and response of the two hulls; `closing` receives the closing speed.
bool touch(Party& a, Party& b, float& closing) {
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

bool apart(const World& w, Vec2 a, Vec2 b, float reach) { return surely_beyond(a, b, reach, reach, w.size); }

// Returns whether the two touched (and moved).
bool plane_against_object(World& w, const HullCache& cache, Plane& p, int k) {
    WorldObject& o = w.objects[k];
    Party a = plane_party(p);
    Party b = object_party(w, cache, k);
    if (!near_enough(w, a, b)) return false;
    plane_hull_of(a, p);
    object_hull_of(b, w, cache, k);
    float closing = 0.0f;
    if (!touch(a, b, closing)) return false;
    store_plane(w, p, a.state);
    store_object(w, o, b.state);
    report_impact(w, p.pos, closing);
    crash_into_object(w, p, closing);
    return true;
}

void plane_against_plane(World& w, Plane& p, Plane& q) {
    Party a = plane_party(p);
    Party b = plane_party(q);
    if (!near_enough(w, a, b)) return;
    plane_hull_of(a, p);
    plane_hull_of(b, q);
    float closing = 0.0f;
    if (!touch(a, b, closing)) return;
    store_plane(w, p, a.state);
    store_plane(w, q, b.state);
    report_impact(w, p.pos, closing);
}

// Returns whether the two touched (and moved).
bool object_against_object(World& w, const HullCache& cache, int k, int l) {
    Party a = object_party(w, cache, k);
    Party b = object_party(w, cache, l);
    if (!near_enough(w, a, b)) return false;
    object_hull_of(a, w, cache, k);
    object_hull_of(b, w, cache, l);
    float closing = 0.0f;
    if (!touch(a, b, closing)) return false;
    store_object(w, w.objects[k], a.state);
    store_object(w, w.objects[l], b.state);
    report_impact(w, w.objects[k].pos, closing);
    return true;
}

// Positions and reaches of the solid objects, kept up to date through the
// phase, for testing one object against all later ones at once.
struct Positions {
    float x[MAX_OBJECTS];
    float y[MAX_OBJECTS];
    float reach[MAX_OBJECTS];
    float largest;  // bounds |x| + |y| + reach of every entry, for the margin
};

void note_position(Positions& p, int k, Vec2 pos) {
    p.x[k] = pos.x;
    p.y[k] = pos.y;
    float reach = p.reach[k] > 0.0f ? p.reach[k] : 0.0f;  // the objects ruled out have -infinity
    p.largest = std::fmax(p.largest, std::fabs(pos.x) + std::fabs(pos.y) + reach);
}

void fill_positions(const World& w, const HullCache& cache, Positions& p) {
    int objects = object_limit(w);
    p.largest = 0.0f;
    for (int k = 0; k < whole_groups(objects); ++k) {
        bool solid = k < objects && is_solid(w.objects[k]);  // no contact changes that
        p.reach[k] = solid ? cache.radius[k] : -INFINITY;
        note_position(p, k, solid ? w.objects[k].pos : Vec2{0, 0});
    }
}

// The objects after `after` that might be within reach of a plane at `pos`
// (the test of `apart`, with a margin at least as wide).
uint64_t objects_near_plane(const World& w, const Positions& p, Vec2 pos, int after) {
    float margin = 1.0f + 1e-5f * (p.largest + std::fabs(pos.x) + std::fabs(pos.y) + PLANE_RADIUS);
    float extra = PLANE_RADIUS + margin;
    int objects = object_limit(w);
    uint64_t near = near_mask(p.x, p.y, p.reach, pos, extra, extra, w.size, after + 1, objects);
    return near & ~first_bits(after + 1) & first_bits(objects);
}

// The later objects that might be within reach of k (the test of `apart`,
// with a margin at least as wide).
uint64_t later_near(const World& w, const Positions& p, int k, int after) {
    float extra = p.reach[k] + (1.0f + 2e-5f * p.largest);
    int objects = object_limit(w);
    uint64_t near = near_mask(p.x, p.y, p.reach, {p.x[k], p.y[k]}, extra, extra, w.size, after + 1, objects);
    return near & ~first_bits(after + 1) & first_bits(objects);
}

}  // namespace

bool is_solid(const WorldObject& o) { return !o.free && !o.destroyed && o.kind != OBJECT_VESSEL; }

// The cheap reach tests only skip pairs whose broad test would fail.
void plane_contacts(World& w, const HullCache& cache) {
    Positions positions;
    fill_positions(w, cache, positions);
    for (int i = 0; i < MAX_PLANES; ++i) {
        Plane& p = w.planes[i];
        if (!is_live(p)) continue;
        uint64_t near = objects_near_plane(w, positions, p.pos, -1);
        while (near) {
            int k = std::countr_zero(near);
            near &= near - 1;
            if (!is_solid(w.objects[k]) || !plane_against_object(w, cache, p, k)) continue;
            note_position(positions, k, w.objects[k].pos);
            near = objects_near_plane(w, positions, p.pos, k);  // the plane has moved
        }
        for (int j = i + 1; j < MAX_PLANES; ++j) {
            Plane& q = w.planes[j];
            if (is_live(q) && !apart(w, p.pos, q.pos, 2.0f * PLANE_RADIUS)) plane_against_plane(w, p, q);
        }
    }
}

void object_contacts(World& w, const HullCache& cache) {
    int objects = object_limit(w);
    Positions positions;
    fill_positions(w, cache, positions);
    for (int k = 0; k < objects; ++k) {
        if (!is_solid(w.objects[k])) continue;
        uint64_t near = later_near(w, positions, k, k);
        while (near) {
            int l = std::countr_zero(near);
            near &= near - 1;
            if (!is_solid(w.objects[l]) || !object_against_object(w, cache, k, l)) continue;
            note_position(positions, k, w.objects[k].pos);
            note_position(positions, l, w.objects[l].pos);
            near = later_near(w, positions, k, l);  // k has moved
        }
    }
}
