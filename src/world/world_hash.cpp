#include "world/world_hash.h"

#include <bit>
#include <cstddef>

namespace {

struct Hasher {
    uint64_t h;

    void byte(uint8_t b) {
        h ^= b;
        h *= 0x100000001b3ull;
    }
    void u8(uint8_t v) { byte(v); }
    void u16(uint16_t v) { bytes(v, 2); }
    void u32(uint32_t v) { bytes(v, 4); }
    void u64(uint64_t v) { bytes(v, 8); }
    void f32(float v) { u32(std::bit_cast<uint32_t>(v)); }
    void vec(Vec2 v) {
        f32(v.x);
        f32(v.y);
    }
    void flag(bool b) { byte(b ? 1 : 0); }
    void bytes(uint64_t v, int n) {
        for (int i = 0; i < n; ++i) byte(static_cast<uint8_t>(v >> (8 * i)));
    }
};

void add(Hasher& h, const Rules& r) {
    h.u32(r.exit_vessel_cost);
    h.u32(r.win_amount);
    h.f32(r.plane_respawn_delay);
    h.f32(r.crash_speed);
    h.f32(r.crash_damage_factor);
    h.f32(r.sun_heat_range);
    h.f32(r.sun_heat_falloff);
    h.f32(r.object_respawn_delay);
    h.u32(r.turret_cost);
    h.f32(r.sun_heat_rate);
    h.f32(r.turret_range);
    h.f32(r.turret_turn_rate);
    h.f32(r.turret_reload);
    h.u32(r.shield_cost);
    h.f32(r.shield_radius);
    h.u32(r.minimap_cost);
    h.f32(r.round_over_delay);
    h.u32(r.sun_shield_cost);
    h.u32(r.upgrade_station_cost);
    h.u32(r.radar_cost);
    h.f32(r.upgrade_time);
    h.f32(r.boarding_time);
    h.u16(r.station_health);
    h.u16(r.shield_strength);
    h.u16(r.plane_health);
    h.u16(r.shot_damage);
    h.u16(r.turret_health);
    h.u16(r.collector_health);
    h.u16(r.gather_amount);
}

void add(Hasher& h, const Plane& p) {
    h.vec(p.pos);
    h.vec(p.vel);
    h.f32(p.angle);
    h.f32(p.flame);
    h.vec(p.hook_pos);
    h.vec(p.hook_vel);
    h.vec(p.hook_anchor);
    h.f32(p.rope_length);
    h.u8(p.hook_state);
    h.u8(p.hook_object);
    h.flag(p.hook_out);
    h.f32(p.fire_cooldown);
    h.f32(p.respawn_timer);
    h.flag(p.dead);
    for (uint32_t r : p.resources) h.u32(r);
    h.u32(p.sun_resource);
    h.f32(p.heat);
    h.f32(p.boarding_timer);
    h.u16(p.health);
    h.u16(p.shield);
    h.u8(p.slot);
    h.flag(p.turn_left);
    h.flag(p.turn_right);
    h.flag(p.thrust);
    h.flag(p.fire);
    h.flag(p.hook_key);
    h.u8(p.buy_item);
    h.u8(p.killer);
    h.flag(p.hook_key_was_down);
    h.flag(p.has_radar);
    h.flag(p.has_minimap);
    h.flag(p.has_sun_shield);
    h.u8(p.boarding_vessel);
    h.flag(p.in_use);
}

void add(Hasher& h, const WorldObject& o) {
    h.vec(o.hull_offset);
    h.vec(o.pos);
    h.vec(o.vel);
    // Only the hull's own points: a record reused for a smaller hull may keep
    // old points beyond the count, which no rule reads and no snapshot carries.
    for (uint64_t i = 0; i < o.point_count && i < MAX_HULL_POINTS; ++i) h.vec(o.points[i]);
    h.u64(o.point_count);
    h.vec(o.home_pos);
    h.f32(o.angle);
    h.f32(o.spin);
    h.f32(o.mass);
    h.f32(o.inertia);
    h.f32(o.area);
    h.f32(o.gather_timer);
    h.f32(o.upgrade_timer);
    h.f32(o.upgrade_radius);
    h.f32(o.respawn_timer);
    h.flag(o.destroyed);
    h.f32(o.home_angle);
    h.f32(o.heat);
    h.f32(o.turret_aim);
    h.f32(o.turret_cooldown);
    h.u16(o.health);
    h.u8(o.kind);
    h.u8(o.owner);
    h.flag(o.upgraded);
    h.u8(o.upgrading_station);
    h.flag(o.free);
}

void add(Hasher& h, const CelestialBody& b) {
    h.vec(b.pos);
    h.f32(b.radius);
    h.f32(b.surface_gravity);
    h.f32(b.phase);
    h.u8(b.look);
    h.flag(b.is_sun);
    h.u8(b.resource);
}

void add(Hasher& h, const Shot& s) {
    h.vec(s.pos);
    h.vec(s.vel);
    h.f32(s.age);
    h.u16(s.damage);
    h.u8(s.owner);
}

void add(Hasher& h, const WorldEvent& e) {
    h.u8(e.kind);
    h.vec(e.pos);
    h.u8(e.a);
    h.u8(e.b);
    h.f32(e.value);
}

// The records in use, then their count. A count beyond the array (only a
// corrupt world has one) hashes the whole array and the count as it is.
template <typename T, size_t N>
void add_list(Hasher& h, const T (&items)[N], uint64_t count) {
    const uint64_t used = count < N ? count : N;
    for (uint64_t i = 0; i < used; ++i) add(h, items[i]);
    h.u64(count);
}

}  // namespace

uint64_t hash_world(const World& w, uint64_t previous) {
    Hasher h{previous};
    h.vec(w.size);
    for (const Plane& p : w.planes) add(h, p);
    add_list(h, w.objects, w.object_count);
    add_list(h, w.bodies, w.body_count);
    add_list(h, w.shots, w.shot_count);
    add_list(h, w.events, w.event_count);
    h.u32(w.spawn_counter);
    h.f32(w.round_over_timer);
    add(h, w.rules);
    h.u8(w.winner);
    h.u8(w.winner_vessel);
    return h.h;
}
