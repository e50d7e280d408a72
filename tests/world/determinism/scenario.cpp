#include "scenario.h"

#include <cmath>

#include "world/fmath.h"
#include "world/boarding.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/hooks.h"
#include "world/step.h"
#include "world/validate.h"
#include "world_hash.h"

namespace {

constexpr Vec2 SUN_AT{7200, 2700};
constexpr Vec2 PLANET_AT[3] = {{1500, 1300}, {1500, 4100}, {4300, 2700}};
constexpr float ORBIT_DISTANCE = 300.0f;

constexpr int TURRET_TICK = 0;          // plane 3 buys a turret next to plane 4
constexpr int HOOK_TICK = 200;          // plane 6 hooks a collector in orbit
constexpr int STATION_TICK = 300;       // plane 5 buys a station around a collector
constexpr int VESSEL_TICK = 8000;       // plane 7 buys an exit vessel and boards it
constexpr Vec2 STATION_CENTRE{3000, 300};
constexpr Vec2 VESSEL_BUYER_AT{3000, 5000};

uint64_t mix(uint64_t z) {
    z += 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

CelestialBody body(Vec2 pos, bool sun, uint8_t resource) {
    return make_body(pos, sun, resource, sun ? 0 : static_cast<uint8_t>(resource + 2), 1.5f * resource);
}

void add_object(World& w, const WorldObject& o) {
    if (w.object_count < MAX_OBJECTS) w.objects[w.object_count++] = o;
}

// A collector moving at the circular speed `distance` from the body's centre,
// at angle `at` around it.
WorldObject collector_in_orbit(const World& w, const CelestialBody& b, float at, uint8_t owner) {
    float s, c;
    fsincos(at, s, c);
    Vec2 out{c, s};
    WorldObject o = make_collector({0, 0}, at, w.rules);
    o.pos = wrap(b.pos + out * ORBIT_DISTANCE, w.size);
    o.home_pos = o.pos;
    float speed = std::sqrt(b.surface_gravity * b.radius * b.radius / ORBIT_DISTANCE);
    o.vel = Vec2{-out.y, out.x} * speed;
    o.owner = owner;
    return o;
}

// Bodies and collectors, on a fresh world and again after each restart.
void add_layout(World& w) {
    w.bodies[0] = body(SUN_AT, true, 0);
    for (int i = 0; i < 3; ++i) w.bodies[i + 1] = body(PLANET_AT[i], false, static_cast<uint8_t>(i));
    w.body_count = 4;
    for (int i = 0; i < 6; ++i)
        add_object(w, collector_in_orbit(w, w.bodies[1 + i / 2], i % 2 ? 3.1415927f : 0.0f, static_cast<uint8_t>(i)));
    add_object(w, collector_in_orbit(w, w.bodies[0], 1.0f, 6));  // too plain to gather from the sun
}

void give_resources(World& w) {
    for (Plane& p : w.planes) p.resources[0] = p.resources[1] = p.resources[2] = 40;
}

void teleport(World& w, int slot, Vec2 pos, float angle) {
    Plane& p = w.planes[slot];
    if (p.dead) {
        p.dead = false;
        p.health = w.rules.plane_health;
        p.respawn_timer = 0;
    }
    stow_hook(p);
    p.pos = pos;
    p.angle = angle;
    p.vel = {0, 0};
}

void clear_controls(Plane& p) {
    p.turn_left = p.turn_right = p.thrust = p.fire = p.hook_key = false;
    p.buy_item = ITEM_NONE;
}

// Controls that change every 0.75 s, different for every slot.
void random_controls(Plane& p, int slot, int tick) {
    uint64_t h = mix(static_cast<uint64_t>(tick / 90) * 8 + static_cast<uint64_t>(slot));
    p.turn_left = (h & 3) == 1;
    p.turn_right = (h & 3) == 2;
    p.thrust = ((h >> 2) & 3) != 0;
    p.fire = ((h >> 4) & 3) == 0;
    p.hook_key = ((h >> 6) & 7) == 0;
    p.buy_item = ITEM_NONE;
}

struct Script {
    int vessel_tick = VESSEL_TICK;
};

bool scripted(int slot, int tick, const Script& s) {
    if ((slot == 3 || slot == 4) && tick < TURRET_TICK + 240) return true;
    if (slot == 6 && tick >= HOOK_TICK && tick < HOOK_TICK + 60) return true;
    if (slot == 5 && tick >= STATION_TICK && tick < STATION_TICK + 120) return true;
    if (slot == 7 && tick >= s.vessel_tick) return true;
    return false;
}

void hook_a_collector(World& w) {
    const WorldObject& c = w.objects[0];
    Vec2 out = wrapped_delta(w.bodies[1].pos, c.pos, w.size);
    float angle = wrap_angle(fatan2(out.y, out.x));
    float s, co;
    fsincos(angle, s, co);
    teleport(w, 6, wrap(c.pos + Vec2{co, s} * 120.0f, w.size), angle);
    w.planes[6].vel = c.vel;
    w.planes[6].hook_key = true;
}

void buy_station_around_a_collector(World& w) {
    WorldObject c = make_collector(STATION_CENTRE, 0.0f, w.rules);
    c.owner = 5;
    add_object(w, c);
    teleport(w, 5, STATION_CENTRE + Vec2{175, 0}, 0.0f);
    w.planes[5].buy_item = ITEM_UPGRADE_STATION;
}

void buy_vessel_and_board(World& w, int since) {
    Plane& p = w.planes[7];
    if (since == 0) {
        teleport(w, 7, VESSEL_BUYER_AT, 0.0f);
        for (uint32_t& r : p.resources) r = r < 20 ? 20 : r;
        p.sun_resource = 60;
        p.buy_item = ITEM_EXIT_VESSEL;
    } else if (since <= 94) {
        p.turn_left = true;  // about face, toward the vessel
    } else if (since <= 110) {
        p.thrust = true;
    }
}

void write_controls(World& w, int tick, const Script& s) {
    for (int slot = 0; slot < MAX_PLANES; ++slot) {
        Plane& p = w.planes[slot];
        if (scripted(slot, tick, s)) clear_controls(p);
        else random_controls(p, slot, tick);
    }
    if (tick == TURRET_TICK) {
        teleport(w, 3, {4300, 400}, 0.0f);
        teleport(w, 4, {4600, 650}, 1.5707964f);
        w.planes[3].buy_item = ITEM_TURRET;
    }
    if (tick == 30) w.planes[0].buy_item = ITEM_RADAR;
    if (tick == 60) w.planes[0].buy_item = ITEM_MINIMAP;
    if (tick == 90) w.planes[1].buy_item = ITEM_SHIELD;
    if (tick == 120) w.planes[2].buy_item = ITEM_SUN_SHIELD;
    if (tick == HOOK_TICK) hook_a_collector(w);
    if (tick == STATION_TICK) buy_station_around_a_collector(w);
    if (tick > STATION_TICK && tick < STATION_TICK + 120) w.planes[5].thrust = true;  // away from the station
    if (tick >= 1500 && tick % 1200 == 300) {
        int round = tick / 1200;
        w.planes[round % 7].buy_item = static_cast<uint8_t>(round % 7 + 1);
    }
    if (tick >= s.vessel_tick) buy_vessel_and_board(w, tick - s.vessel_tick);
}

void count(const World& w, const World& before, ScenarioMilestones& m) {
    for (uint64_t i = 0; i < w.event_count; ++i) {
        const WorldEvent& e = w.events[i];
        switch (e.kind) {
            case EVENT_GATHER: m.credited_gathers += is_slot(e.a) && w.planes[e.a].in_use; break;
            case EVENT_UPGRADED: ++m.upgrades; break;
            case EVENT_IMPACT: ++m.impacts; break;
            case EVENT_SHOT_HIT: ++m.shot_hits; break;
            case EVENT_ROUND_WON: ++m.wins; break;
            case EVENT_PURCHASE: if (e.b < 8) ++m.purchases[e.b]; break;
            case EVENT_SHOT_FIRED: {
                bool from_turret = false;
                for (uint64_t k = 0; k < w.object_count; ++k) {
                    const WorldObject& o = w.objects[k];
                    if (o.kind != OBJECT_TURRET || o.free) continue;
                    float d = length(wrapped_delta(o.pos, e.pos, w.size));
                    from_turret = from_turret || std::fabs(d - 24.0f) < 0.01f;
                }
                ++(from_turret ? m.turret_shots : m.plane_shots);
                break;
            }
            default: break;
        }
    }
    for (uint64_t k = 0; k < w.object_count; ++k)
        m.station_captures += w.objects[k].upgrading_station != NONE && before.objects[k].upgrading_station == NONE;
    for (int s = 0; s < MAX_PLANES; ++s) {
        const Plane& p = w.planes[s];
        m.hook_catches += p.hook_out && p.hook_state == HOOK_ATTACHED && before.planes[s].hook_state != HOOK_ATTACHED;
        m.boardings += p.boarding_vessel != NONE && before.planes[s].boarding_vessel == NONE;
        m.deaths += w.planes[s].dead && !before.planes[s].dead;
        m.respawns += !w.planes[s].dead && before.planes[s].dead;
    }
}

}  // namespace

ScenarioResult run_scenario() {
    static World w, before;  // large: keep them off the stack
    ScenarioResult result{};
    Script script;
    generate_world(w);
    add_layout(w);
    for (uint8_t s = 0; s < MAX_PLANES; ++s) spawn_plane(w, s);
    give_resources(w);

    for (int tick = 0; tick < SCENARIO_TICKS; ++tick) {
        if (round_finished(w)) {
            bool occupied[MAX_PLANES] = {true, true, true, true, true, true, true, true};
            restart_world(w, occupied);
            add_layout(w);
            give_resources(w);
            script.vessel_tick = SCENARIO_TICKS;  // one win is enough
            ++result.seen.restarts;
        }
        write_controls(w, tick, script);
        before = w;
        step_world(w);
        count(w, before, result.seen);
        if (!result.fault && (result.fault = validate_world(w))) result.fault_tick = tick;
        if ((tick + 1) % SCENARIO_HASH_EVERY == 0) result.hashes[tick / SCENARIO_HASH_EVERY] = hash_world(w);
    }
    return result;
}
