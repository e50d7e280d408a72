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

// Everything a shot may hit as the shots of this phase see it: the objects,
// then the bodies and the planes, with their positions (fixed through the
// phase) and reaches; what shots pass through has reach -infinity.
constexpr int FIRST_BODY = MAX_OBJECTS;
constexpr int FIRST_PLANE = MAX_OBJECTS + MAX_BODIES;
constexpr int TARGETS = MAX_OBJECTS + 16;

struct Targets {
    float x[TARGETS];
    float y[TARGETS];
    float reach[TARGETS];
    float largest;  // bounds |x| + |y| + reach of every entry, for the margins
};

void set_target(Targets& t, int i, bool present, Vec2 pos, float reach) {
    t.x[i] = present ? pos.x : 0.0f;
    t.y[i] = present ? pos.y : 0.0f;
    t.reach[i] = present ? reach : -INFINITY;
    if (present) t.largest = std::fmax(t.largest, std::fabs(pos.x) + std::fabs(pos.y) + reach);
}

// A plane's entry changes when a hit takes its shield or its life.
void set_plane_target(const World& w, Targets& t, int slot) {
    const Plane& p = w.planes[slot];
    float reach = p.shield > 0 ? std::fabs(w.rules.shield_radius) : PLANE_RADIUS;
    set_target(t, FIRST_PLANE + slot, p.in_use && !p.dead, p.pos, reach);
}

void fill_targets(const World& w, const HullCache& cache, Targets& t) {
    t.largest = 0.0f;
    int objects = object_limit(w);
    for (int k = 0; k < whole_groups(objects); ++k) {
        const WorldObject& o = w.objects[k];
        set_target(t, k, k < objects && !o.free && !o.destroyed && o.kind != OBJECT_VESSEL, o.pos,
                   k < objects ? std::fabs(cache.radius[k]) : 0.0f);
    }
    int bodies = body_limit(w);
    for (int b = 0; b < MAX_BODIES; ++b) set_target(t, FIRST_BODY + b, b < bodies, w.bodies[b].pos, std::fabs(w.bodies[b].radius));
    for (int slot = 0; slot < MAX_PLANES; ++slot) set_plane_target(w, t, slot);
    for (int i = FIRST_PLANE + MAX_PLANES; i < TARGETS; ++i) set_target(t, i, false, {0, 0}, 0.0f);
}

// Only targets that the reach tests rule out are skipped: the sweeps run for
// the rest in the same order, so the earliest hit is unchanged.
Target earliest_hit(const World& w, const HullCache& cache, const Targets& targets, const Shot& s, Vec2 p0, Vec2 p1) {
    Target best;
    Vec2 move = p1 - p0;
    float margin =
        1.0f + 1e-5f * (targets.largest + std::fabs(p0.x) + std::fabs(p0.y) + std::fabs(move.x) + std::fabs(move.y));
    float ex = std::fabs(move.x) + margin, ey = std::fabs(move.y) + margin;
    int objects = object_limit(w);
    uint64_t near = near_mask(targets.x, targets.y, targets.reach, p0, ex, ey, w.size, 0, objects) & first_bits(objects);
    for (; near; near &= near - 1) {
        int k = std::countr_zero(near);
        const WorldObject& o = w.objects[k];
        if (o.free || o.destroyed || o.kind == OBJECT_VESSEL) continue;
        Vec2 hull[MAX_HULL_POINTS];
        int n = cached_hull_at(w, cache, k, nearest_copy(o.pos, p0, w.size), hull);
        consider(best, sweep_polygon(p0, move, hull, n), TARGET_OBJECT, k);
    }
    uint64_t others = near_mask<16>(targets.x + FIRST_BODY, targets.y + FIRST_BODY, targets.reach + FIRST_BODY, p0, ex,
                                    ey, w.size);
    int bodies = body_limit(w);
    for (int b = 0; b < bodies; ++b) {
        if (!((others >> b) & 1)) continue;
        const CelestialBody& body = w.bodies[b];
        Vec2 centre = nearest_copy(body.pos, p0, w.size);
        consider(best, sweep_circle(p0, p1, centre, body.radius), TARGET_BODY, b);
    }
    for (int slot = 0; slot < MAX_PLANES; ++slot) {
        const Plane& p = w.planes[slot];
        if (!((others >> (MAX_BODIES + slot)) & 1) || !p.in_use || p.dead || slot == s.owner) continue;
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

void update_shots(World& w, const HullCache& cache) {
    if (w.shot_count > MAX_SHOTS) w.shot_count = MAX_SHOTS;
    Targets targets;
    fill_targets(w, cache, targets);
    int i = 0;
    while (i < static_cast<int>(w.shot_count)) {
        Shot& s = w.shots[i];
        s.age += TICK;
        s.vel += gravity(w, s.pos) * TICK;
        Vec2 p0 = s.pos;
        Vec2 p1 = s.pos + s.vel * TICK;
        Target hit = earliest_hit(w, cache, targets, s, p0, p1);
        if (hit.kind == TARGET_NONE && s.age < SHOT_LIFETIME) {
            s.pos = wrap(p1, w.size);
            ++i;
            continue;
        }
        if (hit.kind != TARGET_NONE) {
            push_event_at(w, EVENT_SHOT_HIT, wrap(p0 + (p1 - p0) * 0.5f, w.size));
            Shot shot = s;
            if (hit.kind == TARGET_OBJECT) shot_hits_object(w, w.objects[hit.index], shot);
            if (hit.kind == TARGET_PLANE) {
                shot_hits_plane(w, w.planes[hit.index], shot);
                set_plane_target(w, targets, hit.index);
            }
        }
        remove_shot(w, i);
    }
}
