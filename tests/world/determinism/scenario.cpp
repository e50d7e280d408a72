#include "scenario.h"

#include <cmath>

#include "world/boarding.h"
#include "world/fmath.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/hooks.h"
#include "world/step.h"
#include "world/validate.h"
#include "world/world_hash.h"

namespace {

constexpr Vec2 SUN_AT{7200, 2700};
constexpr Vec2 PLANET_AT[3] = {{1500, 1300}, {1500, 4100}, {4300, 2700}};
constexpr float PLANET_ORBIT = 300.0f;  // altitude 140 of a 320 window
constexpr float SUN_ORBIT = 480.0f;     // altitude 100: well inside the 220 of heat

// Round one. Every place below lies beyond the reach of every body's gravity
// unless it says otherwise, so that set-ups meant to be exact stay exact.
constexpr int OPENING_TICK = 0;           // a station and a turret are bought
constexpr int HOOK_TICK = 200;            // plane 6 hooks a collector in orbit
constexpr int STATION_TICK = 300;         // plane 5 buys a station around a drifting collector
constexpr int FREED_HOOK_TICK = 400;      // the turret plane 0 has hooked is shot away and its entry reused
constexpr int FREED_HOOK_END = 700;
constexpr int TIES_TICK = 1100;           // planes meet turrets where edges tie exactly, then sit under fire
constexpr int TIES_LENGTH = 300;
constexpr int SIDE_SWIPE_TICK = 1200;     // a plane's flank meets a collector's long face
constexpr int GRAZE_TICK = 1300;          // a hook grazes a hull past a corner
constexpr int CORNER_TICK = 1400;         // a plane's nose sits exactly on the diagonal of a collector's corner
constexpr int TURRET_UPGRADE_TICK = 2400; // a turret is bought at the centre of plane 5's station
constexpr int SUN_ORBIT_TICK = 6000;      // the upgraded collector moves to the sun
constexpr int VESSEL_TICK = 8000;         // plane 7 buys an exit vessel and boards it
constexpr int HOLD_AT_WIN_TICK = VESSEL_TICK + 120;  // a station outside holds a collector inside
// Round two.
constexpr int SUN_VESSEL_TICK = 20000;    // an exit vessel is bought in the sun's heat

constexpr Vec2 STATION_CENTRE{3000, 300};
constexpr Vec2 VESSEL_BUYER_AT{3000, 5000};
constexpr Vec2 TIE_TURRET_A{4400, 5000};
constexpr Vec2 TIE_TURRET_B{4400, 4700};
constexpr Vec2 SWIPE_COLLECTOR{5200, 4900};
constexpr Vec2 GRAZE_COLLECTOR{4600, 4300};
constexpr Vec2 CORNER_COLLECTOR{5700, 4300};
constexpr float PI_F = 3.1415927f;
constexpr float HALF_PI = 1.5707964f;

uint64_t mix(uint64_t z) {
    z += 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

CelestialBody body(Vec2 pos, bool sun, uint8_t resource) {
    return make_body(pos, sun, resource, sun ? 0 : static_cast<uint8_t>(resource + 2), 1.5f * resource);
}

int add_object(World& w, const WorldObject& o) {
    if (w.object_count >= MAX_OBJECTS) return -1;
    w.objects[w.object_count] = o;
    return static_cast<int>(w.object_count++);
}

// Puts an object `distance` from the body's centre, at angle `at` around it,
// moving at the circular speed.
void put_in_orbit(const World& w, WorldObject& o, const CelestialBody& b, float distance, float at) {
    float s, c;
    fsincos(at, s, c);
    Vec2 out{c, s};
    o.pos = wrap(b.pos + out * distance, w.size);
    float speed = std::sqrt(b.surface_gravity * b.radius * b.radius / distance);
    o.vel = Vec2{-out.y, out.x} * speed;
    o.spin = 0;
}

WorldObject collector_in_orbit(const World& w, const CelestialBody& b, float distance, float at, uint8_t owner) {
    WorldObject o = make_collector({0, 0}, at, w.rules);
    put_in_orbit(w, o, b, distance, at);
    o.home_pos = o.pos;
    o.owner = owner;
    return o;
}

// Bodies and collectors, on a fresh world and again after the restart.
void add_layout(World& w) {
    w.bodies[0] = body(SUN_AT, true, 0);
    for (int i = 0; i < 3; ++i) w.bodies[i + 1] = body(PLANET_AT[i], false, static_cast<uint8_t>(i));
    w.body_count = 4;
    for (int i = 0; i < 6; ++i) {
        float at = i % 2 ? PI_F : 0.0f;
        add_object(w, collector_in_orbit(w, w.bodies[1 + i / 2], PLANET_ORBIT, at, static_cast<uint8_t>(i)));
    }
    // Too plain to gather from the sun, and not immune to its heat.
    add_object(w, collector_in_orbit(w, w.bodies[0], SUN_ORBIT, 1.0f, 6));
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
    p.hook_key_was_down = false;
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

// The first entry in use of `kind` owned by `owner`, or -1.
int find_object(const World& w, uint8_t kind, uint8_t owner) {
    for (uint64_t k = 0; k < w.object_count; ++k) {
        const WorldObject& o = w.objects[k];
        if (o.kind == kind && o.owner == owner && !o.free && !o.destroyed) return static_cast<int>(k);
    }
    return -1;
}

struct Script {
    int vessel_tick = VESSEL_TICK;
    int sun_vessel_tick = SUN_VESSEL_TICK;
    int hooked_turret = -1;  // the turret of the freed-hook set-up
    bool turret_replaced = false;
    int upgrading = -1;  // the collector the station of STATION_TICK holds
    bool moved_to_planet = false;
    bool bought_after_win = false;
};

bool scripted(int slot, int tick, const Script& s) {
    auto within = [tick](int from, int length) { return tick >= from && tick < from + length; };
    if ((slot == 2 || slot == 3 || slot == 4) && within(OPENING_TICK, 240)) return true;
    if (slot == 6 && within(HOOK_TICK, 60)) return true;
    if (slot == 5 && within(STATION_TICK, 120)) return true;
    if ((slot == 0 || slot == 1) && within(FREED_HOOK_TICK, FREED_HOOK_END - FREED_HOOK_TICK)) return true;
    if ((slot == 2 || slot == 3) && within(TIES_TICK, TIES_LENGTH)) return true;
    if (slot == 4 && within(SIDE_SWIPE_TICK, 60)) return true;
    if (slot == 6 && within(GRAZE_TICK, 60)) return true;
    if (slot == 0 && within(CORNER_TICK, 60)) return true;
    if (slot == 5 && within(TURRET_UPGRADE_TICK, 60)) return true;
    if (slot == 7 && tick >= s.vessel_tick) return true;
    if (slot == 1 && within(s.sun_vessel_tick, 60)) return true;
    return false;
}

void opening(World& w) {
    teleport(w, 2, {6000, 4600}, 0.4f);
    w.planes[2].buy_item = ITEM_UPGRADE_STATION;
    teleport(w, 3, {4300, 400}, 0.0f);
    teleport(w, 4, {4600, 650}, HALF_PI);
    w.planes[3].buy_item = ITEM_TURRET;
}

void hook_a_collector(World& w) {
    const WorldObject& c = w.objects[1];  // plane 0's collector around the first planet
    Vec2 out = wrapped_delta(w.bodies[1].pos, c.pos, w.size);
    float angle = wrap_angle(fatan2(out.y, out.x));
    float s, co;
    fsincos(angle, s, co);
    teleport(w, 6, wrap(c.pos + Vec2{co, s} * 120.0f, w.size), angle);
    w.planes[6].vel = c.vel;
    w.planes[6].hook_key = true;
}

// The collector drifts inside the new station's sphere, off its centre, so
// that the spring pulls it and the station takes the reaction.
void buy_station_around_a_collector(World& w, Script& s) {
    WorldObject c = make_collector(STATION_CENTRE + Vec2{55, 35}, 0.0f, w.rules);
    c.vel = {25, -10};
    c.owner = 5;
    s.upgrading = add_object(w, c);
    teleport(w, 5, STATION_CENTRE + Vec2{175, 0}, 0.0f);
    w.planes[5].buy_item = ITEM_UPGRADE_STATION;
}

// Plane 0 hooks plane 3's turret, plane 1 shoots it away, and in the tick
// after it is freed plane 4 buys a turret far off, which takes its entry.
void freed_hook(World& w, int tick, Script& s) {
    if (tick == FREED_HOOK_TICK) {
        s.hooked_turret = find_object(w, OBJECT_TURRET, 3);
        if (s.hooked_turret < 0) return;
        teleport(w, 0, w.objects[s.hooked_turret].pos + Vec2{80, 0}, 0.0f);
        w.planes[0].hook_key = true;  // the hook flies back into the turret
    }
    if (s.hooked_turret < 0 || s.turret_replaced) return;
    const WorldObject& t = w.objects[s.hooked_turret];
    if (tick == FREED_HOOK_TICK + 10) teleport(w, 1, t.pos + Vec2{0, -110}, HALF_PI);
    if (tick > FREED_HOOK_TICK + 10 && !t.free) w.planes[1].fire = true;
    if (t.free) {
        teleport(w, 4, {900, 250}, 0.0f);
        w.planes[4].buy_item = ITEM_TURRET;
        s.turret_replaced = true;
    }
}

// Turrets keep world orientation, so their octagons are symmetric about the
// buyer's line. Plane 2 backs its flat rear into turret A's vertex: the two
// octagon edges at that vertex tie as the incident edge. Plane 3 noses into
// turret B's vertex: the two octagon edges tie as the reference face. Then
// each sits under the other's turret, plane 3 behind a fresh shield.
void ties(World& w, int tick) {
    if (tick == TIES_TICK) {
        teleport(w, 2, TIE_TURRET_A + Vec2{40, 0}, 0.0f);
        teleport(w, 3, TIE_TURRET_B + Vec2{40, 0}, 0.0f);
        w.planes[2].buy_item = ITEM_TURRET;
        w.planes[3].buy_item = ITEM_TURRET;
    }
    if (tick == TIES_TICK + 1) {
        teleport(w, 2, TIE_TURRET_A + Vec2{14 + 10 + 0.75f, 0}, 0.0f);  // 0.5 from the vertex after moving
        w.planes[2].vel = {-30, 0};
        teleport(w, 3, TIE_TURRET_B + Vec2{14 + 0.75f + 14, 0}, PI_F);
        w.planes[3].vel = {-30, 0};
    }
    if (tick == TIES_TICK + 2) w.planes[3].buy_item = ITEM_SHIELD;
}

// Plane 4 turned so that its flank (nose to +s rear corner) lies flat, 3 wu
// above a collector's long face and closing: the flank is the reference face
// and the collector's longer face is clipped at both its ends.
void side_swipe(World& w) {
    add_object(w, make_collector(SWIPE_COLLECTOR, 0.0f, w.rules));
    float flank = fatan2(11.0f, 24.0f);
    teleport(w, 4, SWIPE_COLLECTOR + Vec2{-0.125f, -5.1f - 3.0f - 5.833333f - 0.25f}, flank);
    w.planes[4].vel = {15, 30};
}

// A hook of plane 6 already in flight passes a collector's lower left corner
// and ends its step beside the left side: it touches the corner first.
void graze(World& w) {
    int k = add_object(w, make_collector(GRAZE_COLLECTOR, 0.0f, w.rules));
    if (k < 0) return;
    Vec2 centre = w.objects[k].pos;
    teleport(w, 6, centre + Vec2{-30, 150}, 0.0f);
    Plane& p = w.planes[6];
    p.hook_out = true;
    p.hook_state = HOOK_FLYING;
    p.hook_pos = centre + Vec2{-30.459626f, -11.855728f};
    p.hook_vel = Vec2{std::cos(1.5284513f), std::sin(1.5284513f)} * 650.0f;
}

// The float x for which x + addend rounds to exactly `target`.
float solve_sum(float target, float addend) {
    float x = target - addend;
    for (int i = 0; i < 64 && x + addend != target; ++i)
        x = std::nextafter(x, x + addend < target ? INFINITY : -INFINITY);
    return x;
}

// Plane 0, at rest and pointing at a collector's corner (turned by 3pi/4), with
// its nose exactly 3 wu out along both of the corner's axis-aligned edges: the
// two edges tie as the collector's separating face.
void corner(World& w) {
    add_object(w, make_collector(CORNER_COLLECTOR, 0.0f, w.rules));
    Vec2 tip{CORNER_COLLECTOR.x + 28.05f + 3.0f, CORNER_COLLECTOR.y - 5.1f - 3.0f};
    const float angle = 2.3561945f;
    float s, c;
    fsincos(angle, s, c);
    teleport(w, 0, {solve_sum(tip.x, 14.0f * c), solve_sum(tip.y, 14.0f * s)}, angle);
}

// Plane 5 buys a turret right at its station's centre: captured within 30 of
// it, and upgraded.
void turret_into_a_station(World& w) {
    int station = find_object(w, OBJECT_STATION, 5);
    if (station < 0) return;
    Vec2 centre = w.objects[station].pos + rotate(w.objects[station].hull_offset, w.objects[station].angle);
    teleport(w, 5, wrap(centre + Vec2{40, 0}, w.size), 0.0f);
    w.planes[5].resources[0] += 30;
    w.planes[5].buy_item = ITEM_TURRET;
}

// The upgraded collector goes into a planet orbit (double gathers), later into
// a sun orbit (sun resource, immune to the heat).
void move_upgraded(World& w, int tick, Script& s) {
    if (s.upgrading < 0) return;
    WorldObject& o = w.objects[s.upgrading];
    if (!s.moved_to_planet && o.upgraded && !o.destroyed) {
        put_in_orbit(w, o, w.bodies[3], PLANET_ORBIT, 2.0f);
        s.moved_to_planet = true;
    }
    if (tick == SUN_ORBIT_TICK && o.upgraded && !o.destroyed) put_in_orbit(w, o, w.bodies[0], SUN_ORBIT, 4.0f);
}

void buy_vessel_and_board(World& w, int since) {
    Plane& p = w.planes[7];
    if (since == 0) {
        teleport(w, 7, VESSEL_BUYER_AT, 0.0f);
        for (uint32_t& r : p.resources) r = r < 60 ? 60 : r;
        p.sun_resource = 60;
        p.buy_item = ITEM_EXIT_VESSEL;
    } else if (since <= 94) {
        p.turn_left = true;  // about face, toward the vessel
    } else if (since <= 110) {
        p.thrust = true;
    } else if (since % 100 == 0 && since <= 800) {
        p.buy_item = ITEM_SHIELD;  // the others keep shooting
    }
}

// The lowest station in use moves to the stern of plane 7's vessel (which
// faces +x), its sphere inside and its cap beyond the stern, with a fresh
// collector inside the vessel, 20 from the sphere's centre and out of plane
// 7's way: at the win the station is freed and the collector spared, and in
// the next tick plane 7 buys a station, which takes the freed entry.
void hold_at_win(World& w) {
    int vessel = find_object(w, OBJECT_VESSEL, 7);
    int station = -1;
    for (uint64_t k = 0; k < w.object_count && station < 0; ++k) {
        const WorldObject& o = w.objects[k];
        if (o.kind == OBJECT_STATION && !o.free) station = static_cast<int>(k);
    }
    if (vessel < 0 || station < 0) return;
    const WorldObject& v = w.objects[vessel];
    Vec2 origin = v.pos + rotate(v.hull_offset, v.angle);  // its stern is 140 behind
    WorldObject& st = w.objects[station];
    st.angle = 0.0f;
    st.pos = origin + Vec2{-100, 0} - st.hull_offset;
    st.vel = {0, 0};
    st.spin = 0;
    WorldObject c = make_collector(origin + Vec2{-80, -5.95f}, 0.0f, w.rules);
    c.owner = 2;
    add_object(w, c);
}

void buy_after_the_win(World& w) {
    // Facing away from the vessel's stern, so that the new station lands ahead of it.
    teleport(w, 7, wrap(vessel_seat(w.objects[w.winner_vessel]), w.size), PI_F);
    w.planes[7].buy_item = ITEM_UPGRADE_STATION;
}

void buy_in_the_sun(World& w) {
    teleport(w, 1, SUN_AT + Vec2{0, -800}, 3.0f * HALF_PI);
    w.planes[1].sun_resource = 50;
    w.planes[1].buy_item = ITEM_EXIT_VESSEL;
}

void write_controls(World& w, int tick, Script& s) {
    for (int slot = 0; slot < MAX_PLANES; ++slot) {
        Plane& p = w.planes[slot];
        if (scripted(slot, tick, s)) clear_controls(p);
        else random_controls(p, slot, tick);
    }
    if (tick == OPENING_TICK) opening(w);
    if (tick == 30) w.planes[0].buy_item = ITEM_RADAR;
    if (tick == 60) w.planes[0].buy_item = ITEM_MINIMAP;
    if (tick == 90) w.planes[1].buy_item = ITEM_SHIELD;
    if (tick == 120) w.planes[2].buy_item = ITEM_SUN_SHIELD;
    if (tick == HOOK_TICK) hook_a_collector(w);
    if (tick == STATION_TICK) buy_station_around_a_collector(w, s);
    if (tick > STATION_TICK && tick < STATION_TICK + 120) w.planes[5].thrust = true;  // away from the station
    if (tick >= FREED_HOOK_TICK && tick < FREED_HOOK_END) freed_hook(w, tick, s);
    if (tick >= TIES_TICK && tick <= TIES_TICK + 2) ties(w, tick);
    if (tick == SIDE_SWIPE_TICK) side_swipe(w);
    if (tick == GRAZE_TICK) graze(w);
    if (tick == CORNER_TICK) corner(w);
    if (tick == TURRET_UPGRADE_TICK) turret_into_a_station(w);
    move_upgraded(w, tick, s);
    if (tick >= 1500 && tick % 1200 == 300) {
        int round = tick / 1200;
        w.planes[round % 7].buy_item = static_cast<uint8_t>(round % 7 + 1);
    }
    if (tick >= s.vessel_tick) buy_vessel_and_board(w, tick - s.vessel_tick);
    if (tick == s.vessel_tick - VESSEL_TICK + HOLD_AT_WIN_TICK) hold_at_win(w);
    if (w.winner == 7 && !s.bought_after_win && w.winner_vessel < w.object_count) {
        buy_after_the_win(w);
        s.bought_after_win = true;
    }
    if (tick == s.sun_vessel_tick) buy_in_the_sun(w);
}

bool is_upgraded_collector_at(const World& w, Vec2 pos) {
    for (uint64_t k = 0; k < w.object_count; ++k) {
        const WorldObject& o = w.objects[k];
        if (o.kind == OBJECT_COLLECTOR && o.upgraded && o.pos == pos) return true;
    }
    return false;
}

bool in_the_heat(const World& w, const WorldObject& o) {
    for (uint64_t b = 0; b < w.body_count; ++b) {
        const CelestialBody& body = w.bodies[b];
        float altitude = length(wrapped_delta(o.pos, body.pos, w.size)) - body.radius;
        if (body.is_sun && altitude < w.rules.sun_heat_range) return true;
    }
    return false;
}

void count_events(const World& w, ScenarioMilestones& m) {
    for (uint64_t i = 0; i < w.event_count; ++i) {
        const WorldEvent& e = w.events[i];
        switch (e.kind) {
            case EVENT_GATHER:
                m.credited_gathers += is_slot(e.a) && w.planes[e.a].in_use;
                m.upgraded_gathers += is_upgraded_collector_at(w, e.pos);
                break;
            case EVENT_UPGRADED: ++m.upgrades; break;
            case EVENT_IMPACT: ++m.impacts; break;
            case EVENT_SHOT_HIT: ++m.shot_hits; break;
            case EVENT_SHIELD_HIT: m.shield_breaks += e.b; break;
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
}

void count_objects(const World& w, const World& before, ScenarioMilestones& m) {
    for (uint64_t k = 0; k < w.object_count; ++k) {
        const WorldObject& o = w.objects[k];
        const WorldObject& was = before.objects[k];
        bool existed = k < before.object_count;
        m.station_captures += o.upgrading_station != NONE && (!existed || was.upgrading_station == NONE);
        m.reused_entries += existed && was.free && !o.free;
        m.heated_vessels += o.kind == OBJECT_VESSEL && in_the_heat(w, o);
        if (existed && was.upgrading_station != NONE && was.upgrading_station < w.object_count)
            m.freed_links += !before.objects[was.upgrading_station].free && w.objects[was.upgrading_station].free;
        if (o.upgrading_station != NONE && o.upgrading_station < w.object_count) {
            const WorldObject& st = w.objects[o.upgrading_station];
            Vec2 centre = st.pos + rotate(st.hull_offset, st.angle);
            m.station_pulls += length(wrapped_delta(o.pos, centre, w.size)) > o.upgrade_radius;
        }
    }
}

void count_planes(const World& w, const World& before, ScenarioMilestones& m) {
    for (int s = 0; s < MAX_PLANES; ++s) {
        const Plane& p = w.planes[s];
        const Plane& was = before.planes[s];
        m.hook_catches += p.hook_out && p.hook_state == HOOK_ATTACHED && was.hook_state != HOOK_ATTACHED;
        if (was.hook_out && was.hook_state == HOOK_ATTACHED && was.hook_object < w.object_count)
            m.freed_hooks += !before.objects[was.hook_object].free && w.objects[was.hook_object].free;
        m.boardings += p.boarding_vessel != NONE && was.boarding_vessel == NONE;
        m.deaths += p.dead && !was.dead;
        m.respawns += !p.dead && was.dead;
        m.sun_gathers += p.sun_resource > was.sun_resource;
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

    uint64_t digest = FNV_OFFSET;
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
        count_events(w, result.seen);
        count_objects(w, before, result.seen);
        count_planes(w, before, result.seen);
        if (!result.fault && (result.fault = validate_world(w))) result.fault_tick = tick;
        digest = hash_world(w, digest);
        if ((tick + 1) % SCENARIO_HASH_EVERY == 0) result.hashes[tick / SCENARIO_HASH_EVERY] = digest;
    }
    return result;
}
