#include "world/boarding.h"

#include "world/collision.h"
#include "world/damage.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/world_limits.h"

namespace {

bool is_active_vessel(const WorldObject& o) { return o.kind == OBJECT_VESSEL && !o.destroyed && !o.free; }

bool carries_enough(const World& w, const Plane& p) {
    for (uint32_t amount : p.resources) {
        if (amount < w.rules.win_amount) return false;
    }
    return true;
}

void win(World& w, uint8_t slot, uint8_t vessel_index) {
    w.winner = slot;
    w.winner_vessel = vessel_index;
    w.round_over_timer = w.rules.round_over_delay;
    for (Plane& p : w.planes) {
        if (!p.in_use) continue;
        p.boarding_vessel = NONE;
        p.boarding_timer = 0;
    }
    const WorldObject& vessel = w.objects[vessel_index];
    push_event_at(w, EVENT_ROUND_WON, vessel.pos, slot);
    for (int i = 0; i < MAX_PLANES; ++i) {
        Plane& p = w.planes[i];
        if (i == slot || !p.in_use || p.dead || inside_object(w, vessel, p.pos)) continue;
        p.health = 0;
        destroy_plane(w, p, KILL_LEFT_BEHIND);
    }
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        WorldObject& o = w.objects[i];
        if (i == vessel_index || o.destroyed || o.free || o.kind == OBJECT_VESSEL) continue;
        if (!inside_object(w, vessel, o.pos)) destroy_object(w, o);
    }
    w.shot_count = 0;
}

// The first vessel, in object order, that the plane is inside of; NONE if none.
uint8_t vessel_around(const World& w, Vec2 pos) {
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        const WorldObject& o = w.objects[i];
        if (is_active_vessel(o) && inside_object(w, o, pos)) return static_cast<uint8_t>(i);
    }
    return NONE;
}

bool keeps_boarding(const World& w, const Plane& p) {
    uint8_t v = p.boarding_vessel;
    return !p.dead && carries_enough(w, p) && is_object_index(w, v) && is_active_vessel(w.objects[v]) &&
           inside_object(w, w.objects[v], p.pos);
}

// One plane's boarding; true when it has just won.
bool board(World& w, Plane& p, uint8_t slot) {
    if (p.boarding_vessel == NONE) {
        if (p.dead || !carries_enough(w, p)) return false;
        uint8_t v = vessel_around(w, p.pos);
        if (v == NONE) return false;
        p.boarding_vessel = v;
        p.boarding_timer = 0;
        push_event_at(w, EVENT_CATCH, p.pos);
    }
    if (!keeps_boarding(w, p)) {
        p.boarding_vessel = NONE;
        p.boarding_timer = 0;
        return false;
    }
    const WorldObject& vessel = w.objects[p.boarding_vessel];
    Vec2 seat = vessel_seat(vessel);
    Vec2 to_seat = wrapped_delta(p.pos, seat, w.size);
    p.vel += (to_seat * BOARDING_STIFFNESS + (p.vel - vessel.vel) * -BOARDING_DAMPING) * TICK;
    p.boarding_timer += TICK;
    if (!(p.boarding_timer >= w.rules.boarding_time)) return false;
    win(w, slot, p.boarding_vessel);
    return true;
}

void round_over_update(World& w) {
    float left = w.round_over_timer - TICK;
    w.round_over_timer = left > 0.0f ? left : 0.0f;
    if (!is_object_index(w, w.winner_vessel) || !is_slot(w.winner)) return;
    Plane& p = w.planes[w.winner];
    if (!p.in_use) return;
    const WorldObject& vessel = w.objects[w.winner_vessel];
    p.pos = wrap(vessel_seat(vessel), w.size);  // the seat may lie across the seam
    p.vel = vessel.vel;
    p.angle = vessel.angle;
}

}  // namespace

Vec2 vessel_seat(const WorldObject& vessel) {
    return vessel.pos + rotate(vessel.hull_offset + VESSEL_SEAT, vessel.angle);
}

bool inside_object(const World& w, const WorldObject& o, Vec2 x) {
    Vec2 hull[MAX_HULL_POINTS];
    int n = object_hull_at(o, nearest_copy(o.pos, x, w.size), hull);
    return inside_convex(hull, n, x);
}

void end_of_round(World& w) {
    if (w.winner != NONE) {
        round_over_update(w);
        return;
    }
    for (uint8_t slot = 0; slot < MAX_PLANES; ++slot) {
        Plane& p = w.planes[slot];
        if (p.in_use && board(w, p, slot)) return;  // the step ends with the win
    }
}
