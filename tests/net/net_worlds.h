#pragma once
// Worlds for the protocol tests: every field that travels holds a value of its
// own, so a field written in the wrong place or dropped shows up.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "world/world.h"

namespace net_test {

inline float f(int seed, int field) { return static_cast<float>(seed * 100 + field) + 0.25f; }

inline void fill_plane(Plane& p, int slot, bool hook_out, bool dead) {
    p.pos = {f(slot, 1), f(slot, 2)};
    p.vel = {-f(slot, 3), f(slot, 4)};
    p.angle = f(slot, 5) / 1000.0f;
    p.flame = 0.5f;
    p.fire_cooldown = 0.125f * static_cast<float>(slot);
    p.turn_left = slot & 1;
    p.turn_right = (slot & 2) != 0;
    p.thrust = true;
    p.fire = (slot & 4) != 0;
    p.hook_key = !(slot & 1);
    p.buy_item = static_cast<uint8_t>(slot % 8);
    p.slot = static_cast<uint8_t>(slot);
    p.health = static_cast<uint16_t>(150 - slot);
    p.dead = dead;
    p.respawn_timer = dead ? f(slot, 6) : 0.0f;
    p.killer = dead ? uint8_t{KILL_SUN} : static_cast<uint8_t>(7 - slot);
    p.hook_key_was_down = slot & 1;
    p.resources[0] = 1000u + slot;
    p.resources[1] = 2000u + slot;
    p.resources[2] = 0xFFFFFFF0u + slot;
    p.sun_resource = 77u * slot;
    p.shield = static_cast<uint16_t>(50 + slot);
    p.heat = f(slot, 7);
    p.has_radar = slot & 1;
    p.has_minimap = (slot & 2) != 0;
    p.has_sun_shield = (slot & 4) != 0;
    p.boarding_vessel = slot == 3 ? 12 : NONE;
    p.boarding_timer = f(slot, 8);
    p.in_use = true;
    p.hook_out = hook_out;
    if (hook_out) {
        p.hook_state = static_cast<uint8_t>(slot % 4);
        p.hook_pos = {f(slot, 9), f(slot, 10)};
        p.hook_vel = {f(slot, 11), -f(slot, 12)};
        p.hook_object = static_cast<uint8_t>(40 + slot);
        p.hook_anchor = {-f(slot, 13), f(slot, 14)};
        p.rope_length = 40.0f + f(slot, 15);
    }
}

inline void fill_object(WorldObject& o, int i, int points) {
    o.kind = static_cast<uint8_t>(1 + i % 4);
    o.hull_offset = {f(i, 20), -f(i, 21)};
    o.owner = i % 3 == 0 ? NONE : static_cast<uint8_t>(i % 8);
    o.gather_timer = f(i, 22);
    o.upgraded = i & 1;
    o.upgrading_station = i % 5 == 0 ? static_cast<uint8_t>(i / 2) : NONE;
    o.upgrade_timer = f(i, 23);
    o.upgrade_radius = f(i, 24);
    o.health = static_cast<uint16_t>(1000 + i);
    o.destroyed = i % 7 == 0;
    o.respawn_timer = o.destroyed ? f(i, 25) : 0.0f;
    o.home_pos = {f(i, 26), f(i, 27)};
    o.home_angle = f(i, 28) / 10000.0f;
    o.free = i % 11 == 0;
    o.turret_aim = f(i, 29) / 10000.0f;
    o.turret_cooldown = f(i, 30);
    o.heat = f(i, 31);
    o.pos = {f(i, 32), f(i, 33)};
    o.vel = {-f(i, 34), f(i, 35)};
    o.angle = f(i, 36) / 10000.0f;
    o.spin = -f(i, 37);
    o.mass = f(i, 38);
    o.inertia = f(i, 39) * 10.0f;
    o.area = f(i, 40);
    o.point_count = static_cast<uint64_t>(points);
    for (int k = 0; k < points; ++k) o.points[k] = {f(i, 41 + k), -f(i, 51 + k)};
}

inline void fill_body(CelestialBody& b, int i) {
    b.pos = {f(i, 60), f(i, 61)};
    b.is_sun = i == 0;
    b.radius = b.is_sun ? SUN_RADIUS : PLANET_RADIUS;
    b.surface_gravity = b.is_sun ? SUN_SURFACE_GRAVITY : PLANET_SURFACE_GRAVITY;
    b.look = static_cast<uint8_t>(i * 2);
    b.phase = 0.5f * static_cast<float>(i);
    b.resource = static_cast<uint8_t>(i == 0 ? 0 : i - 1);
}

inline void fill_shot(Shot& s, int i) {
    s.pos = {f(i, 70), f(i, 71)};
    s.vel = {f(i, 72), -f(i, 73)};
    s.age = 0.01f * static_cast<float>(i);
    s.owner = static_cast<uint8_t>(i % 8);
    s.damage = static_cast<uint16_t>(10 + i);
}

inline void fill_rules(Rules& r) {
    // Every tunable different from its default and from the others.
    r.exit_vessel_cost = 51;
    r.win_amount = 16;
    r.plane_respawn_delay = 5.5f;
    r.crash_speed = 151.0f;
    r.crash_damage_factor = 0.75f;
    r.sun_heat_range = 221.0f;
    r.sun_heat_falloff = 46.0f;
    r.object_respawn_delay = 10.5f;
    r.turret_cost = 31;
    r.sun_heat_rate = 21.0f;
    r.turret_range = 551.0f;
    r.turret_turn_rate = 3.25f;
    r.turret_reload = 0.375f;
    r.shield_cost = 17;
    r.shield_radius = 31.0f;
    r.minimap_cost = 32;
    r.round_over_delay = 29.0f;
    r.sun_shield_cost = 22;
    r.upgrade_station_cost = 23;
    r.radar_cost = 11;
    r.upgrade_time = 14.0f;
    r.boarding_time = 4.5f;
    r.station_health = 101;
    r.shield_strength = 52;
    r.plane_health = 153;
    r.shot_damage = 12;
    r.turret_health = 54;
    r.collector_health = 55;
    r.gather_amount = 2;
}

// The largest world a snapshot can carry: 4 bodies, 8 planes with hooks out,
// 64 objects of 8 points, 64 shots.
inline World maximal_world() {
    World w{};
    fill_rules(w.rules);
    w.spawn_counter = 123456;
    w.round_over_timer = 12.5f;
    w.winner = 5;
    w.winner_vessel = 17;
    w.body_count = MAX_BODIES;
    for (int i = 0; i < MAX_BODIES; ++i) fill_body(w.bodies[i], i);
    for (int i = 0; i < MAX_PLANES; ++i) fill_plane(w.planes[i], i, true, i % 3 == 1);
    w.object_count = MAX_OBJECTS;
    for (int i = 0; i < MAX_OBJECTS; ++i) fill_object(w.objects[i], i, MAX_HULL_POINTS);
    w.shot_count = MAX_SHOTS;
    for (int i = 0; i < MAX_SHOTS; ++i) fill_shot(w.shots[i], i);
    return w;
}

// A small world with one of each record: the sun, the plane of slot 2 with its
// hook out, a collector of 4 points and one shot. Its snapshot is 404 bytes:
// bodies from 133, plane mask at 156, the plane at 157, object count at 254,
// the object at 255, shot count at 380, the shot at 381.
struct SmallLayout {
    static constexpr size_t body = 133;
    static constexpr size_t mask = 156;
    static constexpr size_t plane = 157;
    static constexpr size_t object_count = 254;
    static constexpr size_t object = 255;
    static constexpr size_t shot_count = 380;
    static constexpr size_t shot = 381;
    static constexpr size_t size = 404;
};

inline World small_world() {
    World w{};
    w.body_count = 1;
    fill_body(w.bodies[0], 0);
    fill_plane(w.planes[2], 2, true, false);
    w.object_count = 1;
    fill_object(w.objects[0], 0, 4);
    w.objects[0].kind = OBJECT_COLLECTOR;
    w.shot_count = 1;
    fill_shot(w.shots[0], 3);
    return w;
}

// What a receiver makes of `w`: slots without a player arrive all zero.
inline World as_received(World w) {
    for (Plane& p : w.planes) {
        if (!p.in_use) std::memset(static_cast<void*>(&p), 0, sizeof p);
    }
    return w;
}

inline bool same_float(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }

#define NET_SAME(field)                                                                     \
    do {                                                                                    \
        if constexpr (std::is_floating_point_v<std::remove_cvref_t<decltype(a.field)>>) {   \
            if (!same_float(a.field, b.field))                                              \
                return testing::AssertionFailure() << where << #field << ": " << a.field    \
                                                   << " vs " << b.field;                    \
        } else if (!(a.field == b.field)) {                                                 \
            return testing::AssertionFailure() << where << #field << " differs";            \
        }                                                                                   \
    } while (0)

inline testing::AssertionResult same_plane(const Plane& a, const Plane& b, const char* where = "plane ") {
    NET_SAME(pos.x); NET_SAME(pos.y); NET_SAME(vel.x); NET_SAME(vel.y);
    NET_SAME(angle); NET_SAME(flame);
    NET_SAME(hook_pos.x); NET_SAME(hook_pos.y); NET_SAME(hook_vel.x); NET_SAME(hook_vel.y);
    NET_SAME(hook_anchor.x); NET_SAME(hook_anchor.y); NET_SAME(rope_length);
    NET_SAME(hook_state); NET_SAME(hook_object); NET_SAME(hook_out);
    NET_SAME(fire_cooldown); NET_SAME(respawn_timer); NET_SAME(dead);
    NET_SAME(resources[0]); NET_SAME(resources[1]); NET_SAME(resources[2]); NET_SAME(sun_resource);
    NET_SAME(heat); NET_SAME(boarding_timer); NET_SAME(health); NET_SAME(shield); NET_SAME(slot);
    NET_SAME(turn_left); NET_SAME(turn_right); NET_SAME(thrust); NET_SAME(fire); NET_SAME(hook_key);
    NET_SAME(buy_item); NET_SAME(killer); NET_SAME(hook_key_was_down);
    NET_SAME(has_radar); NET_SAME(has_minimap); NET_SAME(has_sun_shield);
    NET_SAME(boarding_vessel); NET_SAME(in_use);
    return testing::AssertionSuccess();
}

inline testing::AssertionResult same_object(const WorldObject& a, const WorldObject& b, const char* where = "object ") {
    NET_SAME(hull_offset.x); NET_SAME(hull_offset.y); NET_SAME(pos.x); NET_SAME(pos.y);
    NET_SAME(vel.x); NET_SAME(vel.y); NET_SAME(point_count);
    for (uint64_t k = 0; k < a.point_count && k < MAX_HULL_POINTS; ++k) {
        NET_SAME(points[k].x);
        NET_SAME(points[k].y);
    }
    NET_SAME(home_pos.x); NET_SAME(home_pos.y); NET_SAME(angle); NET_SAME(spin); NET_SAME(mass);
    NET_SAME(inertia); NET_SAME(area); NET_SAME(gather_timer); NET_SAME(upgrade_timer);
    NET_SAME(upgrade_radius); NET_SAME(respawn_timer); NET_SAME(destroyed); NET_SAME(home_angle);
    NET_SAME(heat); NET_SAME(turret_aim); NET_SAME(turret_cooldown); NET_SAME(health); NET_SAME(kind);
    NET_SAME(owner); NET_SAME(upgraded); NET_SAME(upgrading_station); NET_SAME(free);
    return testing::AssertionSuccess();
}

inline testing::AssertionResult same_body(const CelestialBody& a, const CelestialBody& b, const char* where = "body ") {
    NET_SAME(pos.x); NET_SAME(pos.y); NET_SAME(radius); NET_SAME(surface_gravity); NET_SAME(phase);
    NET_SAME(look); NET_SAME(is_sun); NET_SAME(resource);
    return testing::AssertionSuccess();
}

inline testing::AssertionResult same_shot(const Shot& a, const Shot& b, const char* where = "shot ") {
    NET_SAME(pos.x); NET_SAME(pos.y); NET_SAME(vel.x); NET_SAME(vel.y); NET_SAME(age); NET_SAME(damage);
    NET_SAME(owner);
    return testing::AssertionSuccess();
}

inline testing::AssertionResult same_rules(const Rules& a, const Rules& b, const char* where = "rules ") {
    NET_SAME(exit_vessel_cost); NET_SAME(win_amount); NET_SAME(plane_respawn_delay); NET_SAME(crash_speed);
    NET_SAME(crash_damage_factor); NET_SAME(sun_heat_range); NET_SAME(sun_heat_falloff);
    NET_SAME(object_respawn_delay); NET_SAME(turret_cost); NET_SAME(sun_heat_rate); NET_SAME(turret_range);
    NET_SAME(turret_turn_rate); NET_SAME(turret_reload); NET_SAME(shield_cost); NET_SAME(shield_radius);
    NET_SAME(minimap_cost); NET_SAME(round_over_delay); NET_SAME(sun_shield_cost);
    NET_SAME(upgrade_station_cost); NET_SAME(radar_cost); NET_SAME(upgrade_time); NET_SAME(boarding_time);
    NET_SAME(station_health); NET_SAME(shield_strength); NET_SAME(plane_health); NET_SAME(shot_damage);
    NET_SAME(turret_health); NET_SAME(collector_health); NET_SAME(gather_amount);
    return testing::AssertionSuccess();
}

// Everything a snapshot carries (events are not carried).
inline testing::AssertionResult same_world(const World& a, const World& b) {
    const char* where = "world ";
    NET_SAME(size.x); NET_SAME(size.y); NET_SAME(spawn_counter); NET_SAME(round_over_timer);
    NET_SAME(winner); NET_SAME(winner_vessel); NET_SAME(body_count); NET_SAME(object_count);
    NET_SAME(shot_count);
    if (auto r = same_rules(a.rules, b.rules); !r) return r;
    for (uint64_t i = 0; i < a.body_count; ++i)
        if (auto r = same_body(a.bodies[i], b.bodies[i]); !r) return r << " (body " << i << ")";
    for (int i = 0; i < MAX_PLANES; ++i)
        if (auto r = same_plane(a.planes[i], b.planes[i]); !r) return r << " (slot " << i << ")";
    for (uint64_t i = 0; i < a.object_count; ++i)
        if (auto r = same_object(a.objects[i], b.objects[i]); !r) return r << " (object " << i << ")";
    for (uint64_t i = 0; i < a.shot_count; ++i)
        if (auto r = same_shot(a.shots[i], b.shots[i]); !r) return r << " (shot " << i << ")";
    return testing::AssertionSuccess();
}

#undef NET_SAME

}  // namespace net_test
