#include "world/validate.h"

#include <cmath>

#include "world/flight.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

bool finite(float v) { return std::isfinite(v); }
bool finite(Vec2 v) { return finite(v.x) && finite(v.y); }
bool zero(Vec2 v) { return v.x == 0.0f && v.y == 0.0f; }
// False for NaN as well.
bool within(float v, float low, float high_excluded) { return v >= low && v < high_excluded; }
bool inside_field(const World& w, Vec2 p) { return within(p.x, 0.0f, w.size.x) && within(p.y, 0.0f, w.size.y); }
bool is_angle(float a) { return within(a, 0.0f, TWO_PI); }

bool is_active(const WorldObject& o) { return !o.free && !o.destroyed; }
bool is_entry(const World& w, uint8_t i) { return i < w.object_count; }
bool names_active(const World& w, uint8_t i, uint8_t kind) {
    return is_entry(w, i) && w.objects[i].kind == kind && is_active(w.objects[i]);
}

// A free slot's plane is all zero, as a snapshot decodes it.
bool is_blank(const Plane& p) {
    bool hook = zero(p.hook_pos) && zero(p.hook_vel) && zero(p.hook_anchor) && p.rope_length == 0.0f &&
                p.hook_state == 0 && p.hook_object == 0 && !p.hook_out;
    bool motion = zero(p.pos) && zero(p.vel) && p.angle == 0.0f && p.flame == 0.0f;
    bool timers = p.fire_cooldown == 0.0f && p.respawn_timer == 0.0f && p.heat == 0.0f && p.boarding_timer == 0.0f;
    bool cargo = p.resources[0] == 0 && p.resources[1] == 0 && p.resources[2] == 0 && p.sun_resource == 0;
    bool controls = !p.turn_left && !p.turn_right && !p.thrust && !p.fire && !p.hook_key && p.buy_item == 0 &&
                    !p.hook_key_was_down;
    bool rest = !p.dead && p.health == 0 && p.shield == 0 && p.slot == 0 && p.killer == 0 && !p.has_radar &&
                !p.has_minimap && !p.has_sun_shield && p.boarding_vessel == 0;
    return hook && motion && timers && cargo && controls && rest;
}

const char* check_hook(const World& w, const Plane& p) {
    if (!p.hook_out) {
        bool stowed = zero(p.hook_pos) && zero(p.hook_vel) && zero(p.hook_anchor) && p.rope_length == 0.0f &&
                      p.hook_state == 0 && p.hook_object == 0;
        return stowed ? nullptr : "a stowed hook has a field that is not zero";
    }
    if (p.hook_state > HOOK_REELING) return "a hook's state is unknown";
    if (!inside_field(w, p.hook_pos)) return "a hook's position lies outside the field";
    if (!finite(p.hook_vel) || !finite(p.hook_anchor) || !finite(p.rope_length)) return "a hook has a non-finite field";
    if (p.hook_state != HOOK_ATTACHED) return nullptr;
    // A destroyed collector is let go at the hook's next update; a freed entry at once.
    if (!is_entry(w, p.hook_object) || w.objects[p.hook_object].free) return "an attached hook names no object";
    if (!(p.rope_length >= 40.0f && p.rope_length <= 320.0f)) return "an attached rope is not 40..320 long";
    return nullptr;
}

const char* check_boarding(const World& w, const Plane& p) {
    if (!finite(p.boarding_timer) || p.boarding_timer < 0.0f) return "a boarding timer is negative or not finite";
    if (p.boarding_vessel == NONE) {
        return p.boarding_timer == 0.0f ? nullptr : "a plane that boards nothing has a boarding timer";
    }
    if (p.dead) return "a dead plane is boarding";
    if (w.winner != NONE) return "a plane is boarding after the round was won";
    if (!names_active(w, p.boarding_vessel, OBJECT_VESSEL))
        return "a plane is boarding something that is no exit vessel";
    return nullptr;
}

const char* check_plane(const World& w, const Plane& p, int slot) {
    if (!p.in_use) return is_blank(p) ? nullptr : "a free slot's plane is not all zero";
    if (p.slot != slot) return "a plane's slot is not its index";
    if (!inside_field(w, p.pos)) return "a plane's position lies outside the field";
    if (!finite(p.vel)) return "a plane's velocity is not finite";
    if (!is_angle(p.angle) && p.angle != SPAWN_ANGLE) return "a plane's angle is outside [0, 2pi)";
    if (!(p.flame >= 0.0f && p.flame <= 1.0f)) return "a plane's flame is outside 0..1";
    if (!(p.fire_cooldown >= 0.0f && p.fire_cooldown <= GUN_COOLDOWN)) return "a gun's cooldown is outside 0..0.1";
    if (p.dead ? !finite(p.respawn_timer) : p.respawn_timer != 0.0f) return "a respawn timer runs for a live plane";
    if (!within(p.heat, 0.0f, 1.0f)) return "a plane carries heat outside [0, 1)";
    if (p.buy_item > SHOP_ITEM_COUNT) return "a plane buys an unknown item";
    if (const char* fault = check_hook(w, p)) return fault;
    return check_boarding(w, p);
}

const char* check_shape(const WorldObject& o) {
    if (o.point_count < 3 || o.point_count > MAX_HULL_POINTS) return "an object's hull does not have 3..8 points";
    for (uint64_t i = 0; i < o.point_count; ++i)
        if (!finite(o.points[i])) return "an object's hull point is not finite";
    if (!(finite(o.mass) && o.mass > 0.0f && finite(o.inertia) && o.inertia > 0.0f))
        return "an object's mass or inertia is not positive";
    if (!finite(o.area) || !finite(o.hull_offset)) return "an object's area or hull offset is not finite";
    return nullptr;
}

const char* check_station_link(const World& w, const WorldObject& o, int k) {
    if (o.upgrading_station == NONE)
        return o.upgrade_timer == 0.0f ? nullptr : "an upgrade timer runs without a station";
    if (o.upgrading_station == k || !names_active(w, o.upgrading_station, OBJECT_STATION))
        return "an object is held by something that is no upgrade station";
    if (o.kind != OBJECT_COLLECTOR && o.kind != OBJECT_TURRET)
        return "a station holds neither a collector nor a turret";
    if (o.destroyed || o.upgraded) return "a station holds a destroyed or upgraded object";
    if (!within(o.upgrade_timer, 0.0f, w.rules.upgrade_time)) return "an upgrade timer is outside [0, upgrade_time)";
    return nullptr;
}

const char* check_object(const World& w, const WorldObject& o, int k) {
    if (o.kind < OBJECT_COLLECTOR || o.kind > OBJECT_VESSEL) return "an object's kind is unknown";
    if (o.free) return nullptr;
    if (const char* fault = check_shape(o)) return fault;
    if (!inside_field(w, o.pos)) return "an object's position lies outside the field";
    if (!inside_field(w, o.home_pos)) return "an object's home lies outside the field";
    if (!finite(o.vel) || !finite(o.spin)) return "an object's velocity or spin is not finite";
    if (!is_angle(o.angle)) return "an object's angle is outside [0, 2pi)";
    // A new turret points away from its buyer (the buyer's angle + pi) until it first turns.
    if (o.kind == OBJECT_TURRET && !within(o.turret_aim, 0.0f, TWO_PI + PI))
        return "a turret's aim is outside [0, 3pi)";
    if (!(o.turret_cooldown >= 0.0f && finite(o.turret_cooldown))) return "a turret's cooldown is negative";
    if (!within(o.heat, 0.0f, 1.0f)) return "an object carries heat outside [0, 1)";
    if (!(o.gather_timer >= 0.0f && finite(o.gather_timer))) return "a gather timer is negative or not finite";
    if (!(o.upgrade_radius >= 0.0f && finite(o.upgrade_radius))) return "an upgrade radius is negative or not finite";
    if (o.destroyed && o.kind != OBJECT_COLLECTOR) return "an object other than a collector waits to return";
    if (o.destroyed ? !finite(o.respawn_timer) : o.respawn_timer != 0.0f)
        return "a return timer runs for an object in play";
    if (o.upgraded && o.kind != OBJECT_COLLECTOR && o.kind != OBJECT_TURRET)
        return "an object of this kind is upgraded";
    if (o.owner != NONE && !(is_slot(o.owner) && w.planes[o.owner].in_use)) return "an object's owner is no player";
    return check_station_link(w, o, k);
}

const char* check_body(const World& w, const CelestialBody& b) {
    if (!inside_field(w, b.pos)) return "a body's position lies outside the field";
    if (!(finite(b.radius) && b.radius > 0.0f && finite(b.surface_gravity))) return "a body's radius or gravity is bad";
    if (!(b.phase >= 0.0f && b.phase <= 10.0f)) return "a body's phase is outside 0..10";
    if (b.resource >= RESOURCE_KINDS) return "a body yields an unknown resource";
    return nullptr;
}

const char* check_shot(const World& w, const Shot& s) {
    if (!inside_field(w, s.pos)) return "a shot's position lies outside the field";
    if (!finite(s.vel)) return "a shot's velocity is not finite";
    if (!within(s.age, 0.0f, SHOT_LIFETIME)) return "a shot outlived its lifetime";
    if (!is_slot(s.owner)) return "a shot's owner is no slot";
    return nullptr;
}

const char* check_event(const World& w, const WorldEvent& e) {
    if (e.kind >= WORLD_EVENT_KINDS) return "an event's kind is unknown";
    bool placed = e.kind != EVENT_SHIELD_HIT && e.kind != EVENT_PURCHASE;
    if (placed && !inside_field(w, e.pos)) return "an event's position lies outside the field";
    if (!finite(e.value)) return "an event's value is not finite";
    return nullptr;
}

const char* check_round(const World& w) {
    if (!(w.round_over_timer >= 0.0f && finite(w.round_over_timer))) return "the round-over timer is negative";
    if (w.winner == NONE) return w.round_over_timer == 0.0f ? nullptr : "the round-over timer runs during play";
    if (!is_slot(w.winner)) return "the winner is no slot";
    if (!is_entry(w, w.winner_vessel) || w.objects[w.winner_vessel].kind != OBJECT_VESSEL)
        return "the winning vessel is no exit vessel";
    return nullptr;
}

const char* check_counts(const World& w) {
    if (!(finite(w.size) && w.size.x > 0.0f && w.size.y > 0.0f)) return "the field's size is not positive";
    if (w.object_count > MAX_OBJECTS) return "more objects than the array holds";
    if (w.body_count > MAX_BODIES) return "more bodies than the array holds";
    if (w.shot_count > MAX_SHOTS) return "more shots than the array holds";
    if (w.event_count > MAX_EVENTS) return "more events than the array holds";
    return nullptr;
}

}  // namespace

const char* validate_world(const World& w) {
    if (const char* fault = check_counts(w)) return fault;
    for (int i = 0; i < MAX_PLANES; ++i)
        if (const char* fault = check_plane(w, w.planes[i], i)) return fault;
    for (uint64_t k = 0; k < w.object_count; ++k)
        if (const char* fault = check_object(w, w.objects[k], static_cast<int>(k))) return fault;
    for (uint64_t b = 0; b < w.body_count; ++b)
        if (const char* fault = check_body(w, w.bodies[b])) return fault;
    for (uint64_t i = 0; i < w.shot_count; ++i)
        if (const char* fault = check_shot(w, w.shots[i])) return fault;
    for (uint64_t i = 0; i < w.event_count; ++i)
        if (const char* fault = check_event(w, w.events[i])) return fault;
    return check_round(w);
}
