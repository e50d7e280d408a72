#include "net/snapshot.h"

#include <algorithm>
#include <cstring>

#include "net/messages.h"

namespace {

// Hook byte: 0 while the hook is in, else the hook state + 1.
constexpr uint8_t HOOK_BYTE_MAX = 4;
constexpr uint8_t OBJECT_KIND_MAX = OBJECT_VESSEL;
constexpr uint8_t RESOURCE_MAX = RESOURCE_KINDS - 1;

uint8_t equipment_bits(const Plane& p) {
    return static_cast<uint8_t>((p.has_radar ? 0x01 : 0) | (p.has_minimap ? 0x02 : 0) | (p.has_sun_shield ? 0x04 : 0));
}

// Rules travel whole in every snapshot so clients predict with the server's
// tunables; the integer costs and amounts are not checked.
void put_rules(WireWriter& w, const Rules& rules) {
    put_uint16(w, rules.plane_health);
    put_uint16(w, rules.shot_damage);
    put_float(w, rules.plane_respawn_delay);
    put_float(w, rules.crash_speed);
    put_float(w, rules.crash_damage_factor);
    put_uint16(w, rules.gather_amount);
    put_uint16(w, rules.collector_health);
    put_float(w, rules.object_respawn_delay);
    put_uint32(w, rules.turret_cost);
    put_uint16(w, rules.turret_health);
    put_float(w, rules.turret_range);
    put_float(w, rules.turret_turn_rate);
    put_float(w, rules.turret_reload);
    put_uint32(w, rules.shield_cost);
    put_uint16(w, rules.shield_strength);
    put_float(w, rules.shield_radius);
    put_uint32(w, rules.radar_cost);
    put_uint32(w, rules.minimap_cost);
    put_uint32(w, rules.sun_shield_cost);
    put_uint32(w, rules.upgrade_station_cost);
    put_uint16(w, rules.station_health);
    put_float(w, rules.upgrade_time);
    put_uint32(w, rules.exit_vessel_cost);
    put_uint32(w, rules.win_amount);
    put_float(w, rules.boarding_time);
    put_float(w, rules.round_over_delay);
    put_float(w, rules.sun_heat_rate);
    put_float(w, rules.sun_heat_falloff);
    put_float(w, rules.sun_heat_range);
}

void read_rules(WireReader& r, Rules& rules) {
    rules.plane_health = read_uint16(r);
    rules.shot_damage = read_uint16(r);
    rules.plane_respawn_delay = read_float(r);
    rules.crash_speed = read_float(r);
    rules.crash_damage_factor = read_float(r);
    rules.gather_amount = read_uint16(r);
    rules.collector_health = read_uint16(r);
    rules.object_respawn_delay = read_float(r);
    rules.turret_cost = read_uint32(r);
    rules.turret_health = read_uint16(r);
    rules.turret_range = read_float(r);
    rules.turret_turn_rate = read_float(r);
    rules.turret_reload = read_float(r);
    rules.shield_cost = read_uint32(r);
    rules.shield_strength = read_uint16(r);
    rules.shield_radius = read_float(r);
    rules.radar_cost = read_uint32(r);
    rules.minimap_cost = read_uint32(r);
    rules.sun_shield_cost = read_uint32(r);
    rules.upgrade_station_cost = read_uint32(r);
    rules.station_health = read_uint16(r);
    rules.upgrade_time = read_float(r);
    rules.exit_vessel_cost = read_uint32(r);
    rules.win_amount = read_uint32(r);
    rules.boarding_time = read_float(r);
    rules.round_over_delay = read_float(r);
    rules.sun_heat_rate = read_float(r);
    rules.sun_heat_falloff = read_float(r);
    rules.sun_heat_range = read_float(r);
}

void put_body(WireWriter& w, const CelestialBody& b) {
    put_vec2(w, b.pos);
    put_float(w, b.radius);
    put_float(w, b.surface_gravity);
    put_uint8(w, b.look);
    put_float(w, b.phase);
    put_bool(w, b.is_sun);
    put_uint8(w, b.resource);
}

// `look` is not checked here: the renderer guards its own indexing.
void read_body(WireReader& r, CelestialBody& b) {
    b.pos = read_vec2(r);
    b.radius = read_float(r);
    wire_check(r, b.radius > 0);
    b.surface_gravity = read_float(r);
    b.look = read_uint8(r);
    b.phase = read_float(r);
    b.is_sun = read_bool_strict(r);
    b.resource = read_uint8(r);
    wire_check(r, b.resource <= RESOURCE_MAX);
}

void put_plane(WireWriter& w, const Plane& p) {
    put_vec2(w, p.pos);
    put_vec2(w, p.vel);
    put_float(w, p.angle);
    put_float(w, p.flame);
    put_float(w, p.fire_cooldown);
    put_flags(w, pack_input(plane_input(p)));
    put_uint8(w, p.slot);
    put_uint16(w, p.health);
    put_optional_float(w, p.dead, p.respawn_timer);
    put_uint8(w, p.killer);
    put_bool(w, p.hook_key_was_down);
    put_uint32(w, p.resources[0]);
    put_uint32(w, p.resources[1]);
    put_uint32(w, p.resources[2]);
    put_uint32(w, p.sun_resource);
    put_uint16(w, p.shield);
    put_float(w, p.heat);
    put_flags(w, equipment_bits(p));
    put_uint8(w, p.boarding_vessel);
    put_float(w, p.boarding_timer);
    if (!p.hook_out) {
        put_uint8(w, 0);
        return;
    }
    put_uint8(w, static_cast<uint8_t>(p.hook_state + 1));
    put_vec2(w, p.hook_pos);
    put_vec2(w, p.hook_vel);
    put_uint8(w, p.hook_object);
    put_vec2(w, p.hook_anchor);
    put_float(w, p.rope_length);
}

// `slot`, `killer`, `boarding_vessel` and `hook_object` are taken as sent: the
// simulation checks them where it uses them as indices.
void read_plane(WireReader& r, Plane& p) {
    p.pos = read_vec2(r);
    p.vel = read_vec2(r);
    p.angle = read_float(r);
    p.flame = read_float(r);
    p.fire_cooldown = read_float(r);
    set_plane_input(p, unpack_input(read_flags(r)));
    p.slot = read_uint8(r);
    p.health = read_uint16(r);
    const OptionalFloat dead = read_optional_float(r);
    p.dead = dead.present;
    p.respawn_timer = dead.value;
    p.killer = read_uint8(r);
    p.hook_key_was_down = read_bool_loose(r);
    p.resources[0] = read_uint32(r);
    p.resources[1] = read_uint32(r);
    p.resources[2] = read_uint32(r);
    p.sun_resource = read_uint32(r);
    p.shield = read_uint16(r);
    p.heat = read_float(r);
    const uint8_t equipment = read_flags(r);
    p.has_radar = (equipment & 0x01) != 0;
    p.has_minimap = (equipment & 0x02) != 0;
    p.has_sun_shield = (equipment & 0x04) != 0;
    p.boarding_vessel = read_uint8(r);
    p.boarding_timer = read_float(r);
    const uint8_t hook = read_uint8(r);
    wire_check(r, hook <= HOOK_BYTE_MAX);
    p.in_use = true;
    if (hook == 0) {
        p.hook_out = false;
        p.hook_state = 0;
        p.hook_pos = Vec2{0, 0};
        p.hook_vel = Vec2{0, 0};
        p.hook_object = 0;
        p.hook_anchor = Vec2{0, 0};
        p.rope_length = 0;
        return;
    }
    p.hook_out = true;
    p.hook_state = static_cast<uint8_t>(hook - 1);
    p.hook_pos = read_vec2(r);
    p.hook_vel = read_vec2(r);
    p.hook_object = read_uint8(r);
    p.hook_anchor = read_vec2(r);
    p.rope_length = read_float(r);
}

void put_object(WireWriter& w, const WorldObject& o) {
    put_uint8(w, o.kind);
    put_vec2(w, o.hull_offset);
    put_uint8(w, o.owner);
    put_float(w, o.gather_timer);
    put_bool(w, o.upgraded);
    put_uint8(w, o.upgrading_station);
    put_float(w, o.upgrade_timer);
    put_float(w, o.upgrade_radius);
    put_uint16(w, o.health);
    put_optional_float(w, o.destroyed, o.respawn_timer);
    put_vec2(w, o.home_pos);
    put_float(w, o.home_angle);
    put_bool(w, o.free);
    put_float(w, o.turret_aim);
    put_float(w, o.turret_cooldown);
    put_float(w, o.heat);
    put_vec2(w, o.pos);
    put_vec2(w, o.vel);
    put_float(w, o.angle);
    put_float(w, o.spin);
    put_float(w, o.mass);
    put_float(w, o.inertia);
    put_float(w, o.area);
    const uint64_t n = std::min<uint64_t>(o.point_count, MAX_HULL_POINTS);
    put_uint8(w, static_cast<uint8_t>(n));
    for (uint64_t i = 0; i < n; ++i) put_vec2(w, o.points[i]);
}

// `owner` and `upgrading_station` are taken as sent: the simulation checks
// them where it uses them as indices.
void read_object(WireReader& r, WorldObject& o) {
    o.kind = read_uint8(r);
    wire_check(r, o.kind <= OBJECT_KIND_MAX);
    o.hull_offset = read_vec2(r);
    o.owner = read_uint8(r);
    o.gather_timer = read_float(r);
    o.upgraded = read_bool_loose(r);
    o.upgrading_station = read_uint8(r);
    o.upgrade_timer = read_float(r);
    o.upgrade_radius = read_float(r);
    o.health = read_uint16(r);
    const OptionalFloat destroyed = read_optional_float(r);
    o.destroyed = destroyed.present;
    o.respawn_timer = destroyed.value;
    o.home_pos = read_vec2(r);
    o.home_angle = read_float(r);
    o.free = read_bool_loose(r);
    o.turret_aim = read_float(r);
    o.turret_cooldown = read_float(r);
    o.heat = read_float(r);
    o.pos = read_vec2(r);
    o.vel = read_vec2(r);
    o.angle = read_float(r);
    o.spin = read_float(r);
    o.mass = read_float(r);
    wire_check(r, o.mass > 0);
    o.inertia = read_float(r);
    wire_check(r, o.inertia > 0);
    o.area = read_float(r);
    const uint8_t n = read_uint8(r);
    wire_check(r, n >= 3 && n <= MAX_HULL_POINTS);
    if (!wire_ok(r)) return;
    o.point_count = n;
    for (uint8_t i = 0; i < n; ++i) o.points[i] = read_vec2(r);
}

void put_shot(WireWriter& w, const Shot& s) {
    put_vec2(w, s.pos);
    put_vec2(w, s.vel);
    put_float(w, s.age);
    put_uint8(w, s.owner);
    put_uint16(w, s.damage);
}

void read_shot(WireReader& r, Shot& s) {
    s.pos = read_vec2(r);
    s.vel = read_vec2(r);
    s.age = read_float(r);
    s.owner = read_uint8(r);
    wire_check(r, is_slot(s.owner));
    s.damage = read_uint16(r);
}

void clear_plane(Plane& p) { std::memset(static_cast<void*>(&p), 0, sizeof p); }

}  // namespace

void encode_snapshot(WireWriter& w, const World& world, uint32_t tick, uint32_t acknowledged_input) {
    put_header(w, TAG_SNAPSHOT);
    put_uint32(w, tick);
    put_uint32(w, acknowledged_input);
    put_vec2(w, world.size);
    put_uint32(w, world.spawn_counter);
    put_uint8(w, world.winner);
    put_uint8(w, world.winner_vessel);
    put_float(w, world.round_over_timer);
    put_rules(w, world.rules);

    const uint64_t bodies = std::min<uint64_t>(world.body_count, MAX_BODIES);
    put_uint8(w, static_cast<uint8_t>(bodies));
    for (uint64_t i = 0; i < bodies; ++i) put_body(w, world.bodies[i]);

    put_uint8(w, planes_in_use_mask(world));
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (world.planes[i].in_use) put_plane(w, world.planes[i]);
    }

    const uint64_t objects = std::min<uint64_t>(world.object_count, MAX_OBJECTS);
    put_uint8(w, static_cast<uint8_t>(objects));
    for (uint64_t i = 0; i < objects; ++i) put_object(w, world.objects[i]);

    const uint64_t shots = std::min<uint64_t>(world.shot_count, MAX_SHOTS);
    put_uint8(w, static_cast<uint8_t>(shots));
    for (uint64_t i = 0; i < shots; ++i) put_shot(w, world.shots[i]);
}

WireError decode_snapshot(WireReader& r, const SnapshotGate& gate, World& scratch, SnapshotInfo& info) {
    // Older or repeated snapshots and acknowledgements of inputs not yet made
    // are refused before the rest is read.
    info.tick = read_uint32(r);
    wire_check(r, gate.any_tick || tick_is_newer(info.tick, gate.last_tick));
    info.acknowledged_input = read_uint32(r);
    wire_check(r, info.acknowledged_input < gate.next_input);
    if (!wire_ok(r)) return r.error;

    World& w = scratch;
    w.size = read_vec2(r);
    wire_check(r, w.size.x > 0 && w.size.y > 0);
    w.spawn_counter = read_uint32(r);
    w.winner = read_uint8(r);
    wire_check(r, is_slot(w.winner) || w.winner == NONE);
    w.winner_vessel = read_uint8(r);
    w.round_over_timer = read_float(r);
    read_rules(r, w.rules);
    w.event_count = 0;

    const uint8_t bodies = read_uint8(r);
    wire_check(r, bodies <= MAX_BODIES);
    if (!wire_ok(r)) return r.error;
    w.body_count = bodies;
    for (uint8_t i = 0; i < bodies; ++i) read_body(r, w.bodies[i]);

    const uint8_t mask = read_uint8(r);
    if (!wire_ok(r)) return r.error;
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (mask & (1u << i)) {
            read_plane(r, w.planes[i]);
            if (!wire_ok(r)) return r.error;
        } else {
            clear_plane(w.planes[i]);
        }
    }

    const uint8_t objects = read_uint8(r);
    wire_check(r, objects <= MAX_OBJECTS);
    if (!wire_ok(r)) return r.error;
    w.object_count = objects;
    for (uint8_t i = 0; i < objects; ++i) {
        read_object(r, w.objects[i]);
        if (!wire_ok(r)) return r.error;
    }

    const uint8_t shots = read_uint8(r);
    wire_check(r, shots <= MAX_SHOTS);
    if (!wire_ok(r)) return r.error;
    w.shot_count = shots;
    for (uint8_t i = 0; i < shots; ++i) read_shot(r, w.shots[i]);
    return r.error;
}
