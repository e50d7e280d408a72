#include "world/damage.h"

#include <algorithm>
#include <cmath>

#include "world/fmath.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/hooks.h"
#include "world/world_limits.h"

namespace {

// Takes whole points of damage from `health`, saturating at 0; true when the
// damage is at least the health it had. The comparison is made in float so
// that a huge or invalid value never reaches an integer conversion.
bool take_damage(uint16_t& health, float damage) {
    float old = health;
    if (damage >= old) {
        health = 0;
        return true;
    }
    if (damage > 0.0f) health = static_cast<uint16_t>(health - static_cast<uint16_t>(damage));
    return false;
}

bool take_damage(uint16_t& health, uint16_t damage) {
    bool destroyed = damage >= health;
    health = destroyed ? 0 : static_cast<uint16_t>(health - damage);
    return destroyed;
}

void crash(World& w, Plane& p, float closing_speed, float factor, uint8_t cause) {
    if (!(closing_speed > w.rules.crash_speed)) return;
    float damage = std::ceil((closing_speed - w.rules.crash_speed) * factor);
    if (take_damage(p.health, damage)) destroy_plane(w, p, cause);
}

float heat_rate(const World& w, Vec2 pos) {
    float sum = 0;
    int n = body_limit(w);
    for (int i = 0; i < n; ++i) {
        const CelestialBody& b = w.bodies[i];
        if (!b.is_sun) continue;
        float altitude = length(wrapped_delta(pos, b.pos, w.size)) - b.radius;
        float h = altitude > 0.0f ? altitude : 0.0f;
        if (h < w.rules.sun_heat_range) sum += w.rules.sun_heat_rate * fexp(-h / w.rules.sun_heat_falloff);
    }
    return sum;
}

// Adds a tick of heat; whole points of it become damage, the rest is carried.
bool heat_up(const World& w, Vec2 pos, float& heat, uint16_t& health) {
    heat += heat_rate(w, pos) * TICK;
    if (!(heat >= 1.0f)) return false;
    float whole = std::floor(heat);
    heat -= whole;
    return take_damage(health, whole);
}

}  // namespace

uint16_t health_of_kind(const Rules& r, uint8_t kind) {
    switch (kind) {
        case OBJECT_TURRET: return r.turret_health;
        case OBJECT_STATION: return r.station_health;
        case OBJECT_VESSEL: return 1;
        default: return r.collector_health;
    }
}

void destroy_plane(World& w, Plane& p, uint8_t cause) {
    p.respawn_timer = w.rules.plane_respawn_delay;
    p.dead = true;
    p.killer = cause;
}

void destroy_object(World& w, WorldObject& o) {
    if (o.kind == OBJECT_VESSEL) return;
    o.upgrading_station = NONE;
    o.upgrade_timer = 0;
    if (o.kind == OBJECT_TURRET || o.kind == OBJECT_STATION) {
        free_object(w, object_index(w, o));
    } else {
        o.respawn_timer = w.rules.object_respawn_delay;
        o.destroyed = true;
    }
}

void free_object(World& w, int k) {
    WorldObject& o = w.objects[k];
    o.free = true;
    o.upgrading_station = NONE;
    o.upgrade_timer = 0;
    for (Plane& p : w.planes)
        if (p.hook_out && p.hook_state == HOOK_ATTACHED && p.hook_object == k) p.hook_state = HOOK_REELING;
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        WorldObject& held = w.objects[i];
        if (held.upgrading_station != k) continue;
        held.upgrading_station = NONE;
        held.upgrade_timer = 0;
    }
}

void shot_hits_object(World& w, WorldObject& o, const Shot& s) {
    if (o.kind == OBJECT_VESSEL) return;
    if (take_damage(o.health, s.damage)) destroy_object(w, o);
}

void shot_hits_plane(World& w, Plane& p, const Shot& s) {
    uint16_t rest = s.damage;
    if (p.shield > 0) {
        uint16_t old_shield = p.shield;
        uint16_t absorbed = old_shield < s.damage ? old_shield : s.damage;
        p.shield = static_cast<uint16_t>(old_shield - absorbed);
        push_event_at(w, EVENT_SHIELD_HIT, {0, 0}, slot_of(w, p), old_shield <= s.damage ? 1 : 0);
        if (old_shield >= s.damage) return;
        rest = static_cast<uint16_t>(s.damage - absorbed);
    }
    if (take_damage(p.health, rest)) destroy_plane(w, p, s.owner);
}

void crash_into_object(World& w, Plane& p, float closing_speed) {
    crash(w, p, closing_speed, w.rules.crash_damage_factor * 0.5f, KILL_OBJECT);
}

void plane_touches_body(World& w, Plane& p, const CelestialBody& b, float closing_speed) {
    if (b.is_sun && !p.has_sun_shield) {
        p.health = 0;
        destroy_plane(w, p, KILL_SUN);
        return;
    }
    crash(w, p, closing_speed, w.rules.crash_damage_factor, KILL_PLANET);
}

void object_touches_body(World& w, WorldObject& o, const CelestialBody& b) {
    if (!b.is_sun || o.kind == OBJECT_VESSEL) return;  // planets only bounce
    o.health = 0;
    destroy_object(w, o);
}

void apply_sun_heat(World& w) {
    for (Plane& p : w.planes) {
        if (!p.in_use || p.dead || p.has_sun_shield) continue;
        if (heat_up(w, p.pos, p.heat, p.health)) destroy_plane(w, p, KILL_SUN);
    }
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        WorldObject& o = w.objects[i];
        if (o.destroyed || o.free || o.upgraded || o.kind == OBJECT_VESSEL) continue;
        if (heat_up(w, o.pos, o.heat, o.health)) destroy_object(w, o);
    }
}

void update_dead_plane(World& w, Plane& p) {
    if (w.winner == NONE) p.respawn_timer -= TICK;  // frozen while the round is over
    stow_hook(p);
    p.shield = 0;
    p.has_sun_shield = false;
    if (!(p.respawn_timer <= 0.0f)) return;
    p.pos = spawn_point(w, slot_of(w, p));
    p.vel = {0, 0};
    p.angle = SPAWN_ANGLE;
    p.flame = 0;
    p.health = w.rules.plane_health;
    p.respawn_timer = 0;
    p.dead = false;
    p.fire_cooldown = 0;
}

void update_destroyed_object(World& w, WorldObject& o) {
    if (w.winner == NONE) o.respawn_timer -= TICK;
    if (!(o.respawn_timer <= 0.0f)) return;
    if (o.kind == OBJECT_COLLECTOR && o.upgraded) {
        take_shape(o, collector_shape(false));
        o.upgraded = false;
        o.upgrading_station = NONE;
    }
    o.pos = o.home_pos;
    o.vel = {0, 0};
    o.angle = o.home_angle;
    o.spin = 0;
    o.respawn_timer = 0;
    o.destroyed = false;
    o.owner = NONE;
    o.gather_timer = 0;
    o.heat = 0;
    o.health = health_of_kind(w.rules, o.kind);
}

void remove_plane(World& w, uint8_t slot) {
    if (!is_slot(slot)) return;
    w.planes[slot] = Plane{};
    const uint64_t count = std::min<uint64_t>(w.object_count, MAX_OBJECTS);
    for (uint64_t i = 0; i < count; ++i) {
        WorldObject& o = w.objects[i];
        if (o.free || o.owner != slot) continue;
        o.owner = NONE;
        // Gone as if destroyed: no hook and no station link keeps pointing
        // at the entry that a later placement reuses.
        if (o.kind == OBJECT_TURRET || o.kind == OBJECT_STATION) free_object(w, static_cast<int>(i));
    }
}
