// Steps worlds with arbitrary controls every tick, in three ways:
// - a world read whole from the bytes, as a hostile server could send it
//   (within the snapshot's receive checks: counts within capacity, finite
//   floats, bools 0 or 1, hull point counts 3..8): it must not crash;
// - a lively world with some of its fields overwritten by the bytes: likewise;
// - a lively world changed only in ways the game itself can change it (moves,
//   kills, purchases, players leaving and joining, short timers): every
//   invariant of validate_world must hold after every step.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "server/server_session.h"
#include "world/boarding.h"
#include "world/damage.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/hooks.h"
#include "world/purchases.h"
#include "world/step.h"
#include "world/validate.h"
#include "world/world.h"

namespace {

struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    uint8_t u8() { return at < size ? data[at++] : 0; }
    uint16_t u16() {
        uint16_t lo = u8();
        return static_cast<uint16_t>(lo | u8() << 8);
    }
    uint32_t u32() {
        uint32_t lo = u16();
        return lo | static_cast<uint32_t>(u16()) << 16;
    }
    bool flag() { return u8() & 1; }
    float f32() {
        uint32_t bits = u32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return std::isfinite(f) ? f : 0.0f;
    }
    Vec2 vec() {
        float x = f32();
        return {x, f32()};
    }
    uint64_t count(uint64_t capacity) { return u8() % (capacity + 1); }
};

void read_rules(Bytes& in, Rules& r) {
    r.exit_vessel_cost = in.u32();
    r.win_amount = in.u32();
    r.plane_respawn_delay = in.f32();
    r.crash_speed = in.f32();
    r.crash_damage_factor = in.f32();
    r.sun_heat_range = in.f32();
    r.sun_heat_falloff = in.f32();
    r.object_respawn_delay = in.f32();
    r.turret_cost = in.u32();
    r.sun_heat_rate = in.f32();
    r.turret_range = in.f32();
    r.turret_turn_rate = in.f32();
    r.turret_reload = in.f32();
    r.shield_cost = in.u32();
    r.shield_radius = in.f32();
    r.minimap_cost = in.u32();
    r.round_over_delay = in.f32();
    r.sun_shield_cost = in.u32();
    r.upgrade_station_cost = in.u32();
    r.radar_cost = in.u32();
    r.upgrade_time = in.f32();
    r.boarding_time = in.f32();
    r.station_health = in.u16();
    r.shield_strength = in.u16();
    r.plane_health = in.u16();
    r.shot_damage = in.u16();
    r.turret_health = in.u16();
    r.collector_health = in.u16();
    r.gather_amount = in.u16();
}

void read_controls(Bytes& in, Plane& p) {
    uint8_t c = in.u8();
    p.turn_left = c & 1;
    p.turn_right = c & 2;
    p.thrust = c & 4;
    p.fire = c & 8;
    p.hook_key = c & 16;
    p.buy_item = static_cast<uint8_t>(c >> 5);
}

void read_plane(Bytes& in, Plane& p) {
    p.pos = in.vec();
    p.vel = in.vec();
    p.angle = in.f32();
    p.flame = in.f32();
    p.hook_pos = in.vec();
    p.hook_vel = in.vec();
    p.hook_anchor = in.vec();
    p.rope_length = in.f32();
    p.hook_state = in.u8();
    p.hook_object = in.u8();
    p.hook_out = in.flag();
    p.fire_cooldown = in.f32();
    p.respawn_timer = in.f32();
    p.dead = in.flag();
    for (uint32_t& r : p.resources) r = in.u32();
    p.sun_resource = in.u32();
    p.heat = in.f32();
    p.boarding_timer = in.f32();
    p.health = in.u16();
    p.shield = in.u16();
    p.slot = in.u8();
    read_controls(in, p);
    p.killer = in.u8();
    p.hook_key_was_down = in.flag();
    p.has_radar = in.flag();
    p.has_minimap = in.flag();
    p.has_sun_shield = in.flag();
    p.boarding_vessel = in.u8();
    p.in_use = in.flag();
}

void read_object(Bytes& in, WorldObject& o) {
    o.hull_offset = in.vec();
    o.pos = in.vec();
    o.vel = in.vec();
    o.point_count = 3 + in.u8() % 6;
    for (uint64_t i = 0; i < o.point_count; ++i) o.points[i] = in.vec();
    o.home_pos = in.vec();
    o.angle = in.f32();
    o.spin = in.f32();
    o.mass = in.f32();
    o.inertia = in.f32();
    o.area = in.f32();
    o.gather_timer = in.f32();
    o.upgrade_timer = in.f32();
    o.upgrade_radius = in.f32();
    o.respawn_timer = in.f32();
    o.destroyed = in.flag();
    o.home_angle = in.f32();
    o.heat = in.f32();
    o.turret_aim = in.f32();
    o.turret_cooldown = in.f32();
    o.health = in.u16();
    o.kind = in.u8();
    o.owner = in.u8();
    o.upgraded = in.flag();
    o.upgrading_station = in.u8();
    o.free = in.flag();
}

void read_world(Bytes& in, World& w) {
    w.size = {WORLD_WIDTH, WORLD_HEIGHT};
    for (Plane& p : w.planes) read_plane(in, p);
    w.object_count = in.count(MAX_OBJECTS);
    for (uint64_t i = 0; i < w.object_count; ++i) read_object(in, w.objects[i]);
    w.body_count = in.count(MAX_BODIES);
    for (uint64_t i = 0; i < w.body_count; ++i) {
        CelestialBody& b = w.bodies[i];
        b.pos = in.vec();
        b.radius = in.f32();
        b.surface_gravity = in.f32();
        b.phase = in.f32();
        b.look = in.u8();
        b.is_sun = in.flag();
        b.resource = in.u8();
    }
    w.shot_count = in.count(MAX_SHOTS);
    for (uint64_t i = 0; i < w.shot_count; ++i) {
        Shot& s = w.shots[i];
        s.pos = in.vec();
        s.vel = in.vec();
        s.age = in.f32();
        s.damage = in.u16();
        s.owner = in.u8();
    }
    w.spawn_counter = in.u32();
    w.round_over_timer = in.f32();
    read_rules(in, w.rules);
    w.winner = in.u8();
    w.winner_vessel = in.u8();
}

// A world where things meet: bodies, planes close together with hooks out,
// collectors in orbit and placed objects of every kind.
void lively_world(World& w) {
    generate_world(w);
    w.bodies[0] = make_body({5200, 2700}, true, 0);
    w.bodies[1] = make_body({1500, 1300}, false, 0);
    w.bodies[2] = make_body({1500, 4100}, false, 1);
    w.bodies[3] = make_body({3300, 2700}, false, 2);
    w.body_count = 4;
    for (int i = 0; i < 12; ++i) {
        const CelestialBody& b = w.bodies[1 + i % 3];
        Vec2 out = rotate({1, 0}, 0.5f * static_cast<float>(i));
        WorldObject c = make_collector({0, 0}, 0.0f, w.rules);
        c.pos = wrap(b.pos + out * 300.0f, w.size);
        c.home_pos = c.pos;
        c.vel = Vec2{-out.y, out.x} * 146.0f;
        c.owner = static_cast<uint8_t>(i % 8);
        w.objects[w.object_count++] = c;
    }
    for (uint8_t s = 0; s < MAX_PLANES; ++s) {
        spawn_plane(w, s);
        Plane& p = w.planes[s];
        p.pos = {1500.0f + 60.0f * s, 1700.0f + 40.0f * (s % 2)};
        p.angle = 0.8f * s;
        p.resources[0] = p.resources[1] = p.resources[2] = 60;
        p.sun_resource = 60;
        place_object(w, s, static_cast<uint8_t>(OBJECT_TURRET + s % 3));
        fire_hook(w, p);
    }
}

// Overwrites part of the world with bytes: whole entities, index bytes, rules
// or counts.
void edit(Bytes& in, World& w) {
    uint8_t what = in.u8();
    uint8_t i = in.u8();
    switch (what % 6) {
        case 0: read_plane(in, w.planes[i % MAX_PLANES]); break;
        case 1:
            read_object(in, w.objects[i % MAX_OBJECTS]);
            if (w.object_count <= i % MAX_OBJECTS) w.object_count = i % MAX_OBJECTS + 1u;
            break;
        case 2: {
            uint8_t v = in.u8();
            Plane& p = w.planes[i % MAX_PLANES];
            WorldObject& o = w.objects[i % MAX_OBJECTS];
            switch (in.u8() % 8) {
                case 0: o.owner = v; break;
                case 1: o.upgrading_station = v; break;
                case 2: p.hook_object = v; break;
                case 3: p.boarding_vessel = v; break;
                case 4: p.killer = v; break;
                case 5: w.winner = v; break;
                case 6: w.winner_vessel = v; break;
                default: o.kind = v; break;
            }
            break;
        }
        case 3: read_rules(in, w.rules); break;
        case 4:
            w.object_count = in.count(MAX_OBJECTS);
            w.shot_count = in.count(MAX_SHOTS);
            break;
        default: {
            Shot& s = w.shots[i % MAX_SHOTS];
            s.pos = in.vec();
            s.vel = in.vec();
            s.age = in.f32();
            s.damage = in.u16();
            s.owner = in.u8();
            if (w.shot_count <= i % MAX_SHOTS) w.shot_count = i % MAX_SHOTS + 1u;
            break;
        }
    }
}

// A velocity of up to about 640 wu/s per component.
Vec2 speed(Bytes& in) {
    float x = static_cast<float>(static_cast<int8_t>(in.u8())) * 5.0f;
    return {x, static_cast<float>(static_cast<int8_t>(in.u8())) * 5.0f};
}

// Somewhere in the field; half the time within 40 wu of a seam.
Vec2 place(Bytes& in, Vec2 size) {
    Vec2 p{static_cast<float>(in.u16()) / 65536.0f * size.x, static_cast<float>(in.u16()) / 65536.0f * size.y};
    uint8_t seam = in.u8();
    float offset = static_cast<float>(static_cast<int8_t>(in.u8())) / 3.2f;
    if (seam % 4 == 0) p.x = wrap_coord(offset, size.x);
    if (seam % 4 == 1) p.y = wrap_coord(offset, size.y);
    return p;
}

// A duration of 1..32 ticks.
float short_time(Bytes& in) { return static_cast<float>(1 + in.u8() % 32) * TICK; }

// The first object of `kind` at or after `from` (wrapping around), or -1.
int find_kind(const World& w, int from, uint8_t kind) {
    int n = static_cast<int>(w.object_count);
    for (int i = 0; i < n; ++i) {
        int k = (from + i) % n;
        const WorldObject& o = w.objects[k];
        if (o.kind == kind && !o.free && !o.destroyed) return k;
    }
    return -1;
}

// Changes the game itself could make between or in ticks: the world stays sound.
void play(Bytes& in, World& w, ServerSession& session) {
    uint8_t what = in.u8();
    uint8_t i = in.u8();
    uint8_t slot = static_cast<uint8_t>(i % MAX_PLANES);
    Plane& p = w.planes[slot];
    int k = w.object_count > 0 ? static_cast<int>(i % w.object_count) : -1;
    bool live = p.in_use && !p.dead;
    switch (what % 12) {
        case 0:  // a plane elsewhere
            if (!p.in_use) break;
            p.pos = place(in, w.size);
            p.vel = speed(in);
            p.angle = wrap_angle(static_cast<float>(in.u8()) * 0.0246f);
            break;
        case 1:  // an object elsewhere
            if (k < 0 || w.objects[k].free || w.objects[k].destroyed) break;
            w.objects[k].pos = place(in, w.size);
            w.objects[k].vel = speed(in);
            w.objects[k].spin = static_cast<float>(static_cast<int8_t>(in.u8())) * 0.05f;
            break;
        case 2: {  // an exit vessel somewhere, and a rich plane in its seat about to win
            int v = find_kind(w, i, OBJECT_VESSEL);
            if (v < 0 || !live) break;
            w.objects[v].pos = place(in, w.size);
            p.pos = wrap(vessel_seat(w.objects[v]), w.size);
            p.vel = w.objects[v].vel;
            for (uint32_t& r : p.resources) r = w.rules.win_amount;
            w.rules.boarding_time = short_time(in);
            break;
        }
        case 3:  // a hook that has caught an object
            if (k < 0 || !live || w.objects[k].free || w.objects[k].destroyed) break;
            stow_hook(p);
            p.hook_out = true;
            p.hook_state = HOOK_ATTACHED;
            p.hook_object = static_cast<uint8_t>(k);
            p.hook_pos = w.objects[k].pos;
            p.rope_length = 40.0f + static_cast<float>(in.u8());
            break;
        case 4: {  // a collector or turret next to a station's centre
            int station = find_kind(w, in.u8(), OBJECT_STATION);
            int target = find_kind(w, i, in.u8() % 2 ? OBJECT_TURRET : OBJECT_COLLECTOR);
            if (station < 0 || target < 0) break;
            Vec2 centre = hull_origin_world(w.objects[station]);
            w.objects[target].pos = wrap(centre + speed(in) * 0.1f, w.size);
            w.rules.upgrade_time = short_time(in);
            break;
        }
        case 5:
            if (live) destroy_plane(w, p, KILL_OBJECT);
            break;
        case 6:
            if (k >= 0 && !w.objects[k].free && !w.objects[k].destroyed) destroy_object(w, w.objects[k]);
            break;
        case 7:  // short timers, so that respawns, returns and restarts happen
            w.rules.plane_respawn_delay = short_time(in);
            w.rules.object_respawn_delay = short_time(in);
            w.rules.round_over_delay = short_time(in);
            break;
        case 8:  // a player leaves
            if (p.in_use) remove_player(session, slot);
            break;
        case 9:  // a player joins
            if (!p.in_use) spawn_plane(w, slot);
            break;
        case 10:  // a rich player buys something
            if (!live) break;
            for (uint32_t& r : p.resources) r = 60;
            p.sun_resource = 60;
            p.buy_item = static_cast<uint8_t>(1 + in.u8() % SHOP_ITEM_COUNT);
            break;
        default:  // a won round over: the server starts the next one
            if (round_finished(w)) {
                bool occupied[MAX_PLANES];
                for (int s = 0; s < MAX_PLANES; ++s) occupied[s] = w.planes[s].in_use;
                restart_world(w, occupied);
            }
            break;
    }
}

void check(const World& w, int tick) {
    const char* fault = validate_world(w);
    if (!fault) return;
    std::fprintf(stderr, "tick %d: the world broke an invariant: %s\n", tick, fault);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ServerSession session;  // large: keep it off the stack
    session.world = World{};
    session.log_sink = [](LogLevel, std::string_view) {};
    World& w = session.world;
    Bytes in{data, size};
    uint8_t mode = in.u8() % 3;
    if (mode == 0) {
        read_world(in, w);
    } else {
        lively_world(w);
        for (int edits = in.u8() % 16; edits > 0; --edits) {
            if (mode == 1) edit(in, w);
            else play(in, w, session);
        }
    }
    bool sound = mode == 2;
    int ticks = 8 + in.u8() % 64;
    for (int t = 0; t < ticks; ++t) {
        for (Plane& p : w.planes) {
            if (sound && !p.in_use) continue;  // the server writes controls only for its players
            read_controls(in, p);
        }
        if (sound && in.u8() % 8 == 0) play(in, w, session);
        step_world(w);
        if (sound) check(w, t);
    }
    return 0;
}
