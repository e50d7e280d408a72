#include "world/shots.h"

#include <bit>
#include <cmath>

#include "world/collision.h"
#include "world/damage.h"
#include "world/flight.h"
#include "world/forces.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/reach.h"
#include "world/world_limits.h"

namespace {

enum TargetKind { TARGET_NONE, TARGET_OBJECT, TARGET_BODY, TARGET_PLANE };

struct Target {
    TargetKind kind = TARGET_NONE;
    int index = 0;
    float t = 0.0f;
};

void consider(Target& best, SweepHit h, TargetKind kind, int index) {
    if (!h.hit) return;
    if (best.kind == TARGET_NONE || h.t < best.t) best = {kind, index, h.t};
}

// Objects as the shots of this phase see them: positions (fixed through the
// phase) and reaches, with the objects that shots pass through ruled out.
struct ObjectReach {
    float x[MAX_OBJECTS];
    float y[MAX_OBJECTS];
    float reach[MAX_OBJECTS];
    float margin;  // at least the margin of axis_beyond for any pair of this phase
};

void fill_object_reach(const World& w, const HullCache& cache, ObjectReach& r) {
    int objects = object_limit(w);
    float largest = 0.0f;
    for (int k = 0; k < MAX_OBJECTS; ++k) {
        const WorldObject& o = w.objects[k];
        bool target = k < objects && !o.free && !o.destroyed && o.kind != OBJECT_VESSEL;
        r.x[k] = target ? o.pos.x : 0.0f;
        r.y[k] = target ? o.pos.y : 0.0f;
        r.reach[k] = target ? cache.radius[k] : -INFINITY;
        if (target) largest = std::fmax(largest, std::fabs(o.pos.x) + std::fabs(o.pos.y) + std::fabs(cache.radius[k]));
    }
    r.margin = largest;
}

// Only pairs that the reach tests rule out are skipped: the sweeps run for
// the rest in the same order, so the earliest hit is unchanged.
Target earliest_hit(const World& w, const HullCache& cache, const ObjectReach& reach, const Shot& s, Vec2 p0, Vec2 p1) {
    Target best;
    Vec2 move = p1 - p0;
    float margin =
        1.0f + 1e-5f * (reach.margin + std::fabs(p0.x) + std::fabs(p0.y) + std::fabs(move.x) + std::fabs(move.y));
    uint64_t near = near_mask(reach.x, reach.y, reach.reach, p0, std::fabs(move.x) + margin,
                              std::fabs(move.y) + margin, w.size) &
                    first_bits(object_limit(w));
    for (; near; near &= near - 1) {
        int k = std::countr_zero(near);
        const WorldObject& o = w.objects[k];
        if (o.free || o.destroyed || o.kind == OBJECT_VESSEL) continue;
        Vec2 hull[MAX_HULL_POINTS];
        int n = cached_hull_at(w, cache, k, nearest_copy(o.pos, p0, w.size), hull);
        consider(best, sweep_polygon(p0, move, hull, n), TARGET_OBJECT, k);
    }
    int bodies = body_limit(w);
    for (int b = 0; b < bodies; ++b) {
        const CelestialBody& body = w.bodies[b];
        if (segment_beyond(p0, move, body.pos, std::fabs(body.radius), w.size)) continue;
        Vec2 centre = nearest_copy(body.pos, p0, w.size);
        consider(best, sweep_circle(p0, p1, centre, body.radius), TARGET_BODY, b);
    }
    for (int slot = 0; slot < MAX_PLANES; ++slot) {
        const Plane& p = w.planes[slot];
        if (!p.in_use || p.dead || slot == s.owner) continue;
        float radius = p.shield > 0 ? std::fabs(w.rules.shield_radius) : PLANE_RADIUS;
        if (segment_beyond(p0, move, p.pos, radius, w.size)) continue;
        Vec2 centre = nearest_copy(p.pos, p0, w.size);
        if (p.shield > 0) {
            consider(best, sweep_circle(p0, p1, centre, w.rules.shield_radius), TARGET_PLANE, slot);
        } else {
            Vec2 hull[3];
            plane_hull(centre, p.angle, hull);
            consider(best, sweep_polygon(p0, move, hull, 3), TARGET_PLANE, slot);
        }
    }
    return best;
}

void remove_shot(World& w, int i) {
    w.shot_count -= 1;
    w.shots[i] = w.shots[w.shot_count];
}

}  // namespace

void update_shots(World& w) {
    HullCache cache;
    fill_hull_cache(w, cache);
    update_shots(w, cache);
}

void update_shots(World& w, const HullCache& cache) {
    if (w.shot_count > MAX_SHOTS) w.shot_count = MAX_SHOTS;
    ObjectReach reach;
    fill_object_reach(w, cache, reach);
    int i = 0;
    while (i < static_cast<int>(w.shot_count)) {
        Shot& s = w.shots[i];
        s.age += TICK;
        s.vel += gravity(w, s.pos) * TICK;
        Vec2 p0 = s.pos;
        Vec2 p1 = s.pos + s.vel * TICK;
        Target hit = earliest_hit(w, cache, reach, s, p0, p1);
        if (hit.kind == TARGET_NONE && s.age < SHOT_LIFETIME) {
            s.pos = wrap(p1, w.size);
            ++i;
            continue;
        }
        if (hit.kind != TARGET_NONE) {
            push_event_at(w, EVENT_SHOT_HIT, wrap(p0 + (p1 - p0) * 0.5f, w.size));
            Shot shot = s;
            if (hit.kind == TARGET_OBJECT) shot_hits_object(w, w.objects[hit.index], shot);
            if (hit.kind == TARGET_PLANE) shot_hits_plane(w, w.planes[hit.index], shot);
        }
        remove_shot(w, i);
    }
}
