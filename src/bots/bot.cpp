#include "bots/bot.h"

#include <cmath>

#include "bots/flight.h"
#include "bots/plans.h"
#include "bots/sight.h"
#include "world/boarding.h"
#include "world/gathering.h"
#include "world/geometry.h"
#include "world/stations.h"
#include "world/world_limits.h"

namespace {

constexpr float HOOK_STANDOFF = 170.0f;   // from the collector when the hook is fired
constexpr float HOOK_RANGE_NEAR = 70.0f;
constexpr float HOOK_RANGE_FAR = 270.0f;  // the line is 320 long
constexpr float HOOK_DRIFT = 110.0f;      // most relative speed at which it fires the hook
constexpr float HOOK_AIM = 0.09f;         // radians off the collector's centre
constexpr float TOW_CRUISE = 280.0f;
constexpr float ORBIT_APPROACH = 500.0f;  // beyond this much outside the orbit it flies straight
constexpr float FIGHT_KEEP = 260.0f;      // distance it keeps from the plane it fights
constexpr float FIRE_RANGE = 650.0f;
constexpr float SHOT_SPEED = 900.0f;
constexpr float STOPPED = 30.0f;          // slow enough to buy something that stays put
constexpr float AT_SPOT = 160.0f;
constexpr float SEAT_PULL = 2.0f;
constexpr float HAZARD_BEND = 25.0f;      // a bend of the wanted velocity this large takes over
constexpr uint32_t TOW_PATIENCE = 120 * 60;   // ticks before a tow is abandoned
constexpr uint32_t FIGHT_PATIENCE = 120 * 12;
constexpr uint32_t GIVE_UP_TICKS = 120 * 20;

struct Act {
    Steer steer;
    bool fire = false;
    bool press_hook = false;
    uint8_t buy = ITEM_NONE;
};


// The heading at which a shot fired now meets the plane of slot `e`.
float lead_heading(const World& w, const Plane& p, const Plane& e) {
    const Vec2 d = wrapped_delta(p.pos, e.pos, w.size);
    const float t = length(d) / SHOT_SPEED;
    return heading_of(d + (e.vel - p.vel) * t);
}

// Velocity first: hazards bend the wanted velocity and then win over aiming.
void fly(const World& w, const Plane& p, Vec2 want, Act& a) { match_velocity(p, keep_clear(w, p, want), a.steer); }

// Points the nose along `heading` unless a hazard needs the engine, in which
// case it flies clear first.
void face(const World& w, const Plane& p, float heading, Vec2 want, Act& a) {
    const Vec2 safe = keep_clear(w, p, want);
    if (length(safe - want) > HAZARD_BEND) {
        match_velocity(p, safe, a.steer);
        return;
    }
    turn_toward(p, heading, a.steer);
}

// Fires at any enemy plane the nose happens to point at.
void fire_at_will(const Bot& b, const World& w, const Plane& p, Act& a) {
    const SkillTraits& traits = skill_traits(b.skill);
    for (uint8_t i = 0; i < MAX_PLANES; ++i) {
        const Plane& e = w.planes[i];
        if (i == b.slot || !e.in_use || e.dead) continue;
        if (field_distance(w, p.pos, e.pos) > FIRE_RANGE) continue;
        const float heading = lead_heading(w, p, e) + b.aim_offset;
        if (std::fabs(angle_between(p.angle, heading)) < traits.fire_tolerance) a.fire = true;
    }
}

// ---- towing ----------------------------------------------------------------

// Hooks the target: stand off behind it, then turn the tail to it (the hook
// flies backwards out of the nose) and fire.
void go_hook(const Bot& b, const World& w, const Plane& p, const WorldObject& o, Act& a) {
    const Vec2 from_object = wrapped_delta(o.pos, p.pos, w.size);
    const float dist = length(from_object);
    const Vec2 relative = p.vel - o.vel;
    const Vec2 standoff = o.pos + unit(from_object) * HOOK_STANDOFF;
    const Vec2 want = approach_velocity(w, p, standoff, o.vel, 0.0f, skill_traits(b.skill).cruise_speed);
    const bool in_range = dist > HOOK_RANGE_NEAR && dist < HOOK_RANGE_FAR && length(relative) < HOOK_DRIFT;
    if (!in_range) {
        fly(w, p, want, a);
        return;
    }
    const float tail = heading_of(from_object);  // nose away from the collector
    face(w, p, tail, o.vel, a);
    if (!p.hook_out && std::fabs(angle_between(p.angle, tail)) < HOOK_AIM) a.press_hook = true;
}

// The velocity that takes a towed collector to `place`.
Vec2 tow_velocity(const Bot& b, const World& w, const Plane& p) {
    if (b.place >= PLACE_STATION) {
        const WorldObject& station = w.objects[b.place - PLACE_STATION];
        return approach_velocity(w, p, station_centre(station), station.vel, 0.0f, TOW_CRUISE);
    }
    const CelestialBody& body = w.bodies[b.place];
    const float radius = tow_orbit_radius(body);
    const Vec2 out = wrapped_delta(body.pos, p.pos, w.size);
    const float dist = length(out);
    if (dist > radius + ORBIT_APPROACH) {
        // Aim beside the body, at the orbit's edge, so the plane arrives
        // going around it.
        const Vec2 n = unit(out);
        const Vec2 side = body.pos + (n + perp(n) * 1.2f) * radius;
        return approach_velocity(w, p, side, {0, 0}, -radius, TOW_CRUISE);
    }
    return orbit_velocity(w, p, body, radius);
}

// The towed collector has arrived: gathering in the wanted orbit, or caught
// by the station.
bool tow_arrived(const Bot& b, const World& w, const WorldObject& o) {
    if (b.place >= PLACE_STATION) return o.upgrading_station == b.place - PLACE_STATION;
    return orbited_body(w, o.pos, o.vel) == b.place;
}

void tow(Bot& b, const World& w, const Plane& p, Act& a) {
    const WorldObject& o = w.objects[b.target];
    const bool on_hook = p.hook_out && p.hook_state == HOOK_ATTACHED && p.hook_object == b.target;
    if (on_hook) {
        if (tow_arrived(b, w, o)) {
            a.press_hook = true;  // let go: it gathers (or upgrades) on its own now
            b.goal = GOAL_NONE;
            b.rest_until = b.ticks + skill_traits(b.skill).rest_ticks;
            b.plan_in = 0;
            return;
        }
        fly(w, p, tow_velocity(b, w, p), a);
        return;
    }
    if (p.hook_out) {
        // Something else on the hook, or the hook missed: reel it in first.
        if (p.hook_state == HOOK_ATTACHED || p.hook_state == HOOK_TETHERED) a.press_hook = true;
        const Vec2 standoff = o.pos + unit(wrapped_delta(o.pos, p.pos, w.size)) * HOOK_STANDOFF;
        fly(w, p, approach_velocity(w, p, standoff, o.vel, 0.0f, skill_traits(b.skill).cruise_speed), a);
        return;
    }
    go_hook(b, w, p, o, a);
}

// ---- fighting, buying, boarding -----------------------------------------

void fight(const Bot& b, const World& w, const Plane& p, Act& a) {
    const Plane& e = w.planes[b.target];
    const float heading = lead_heading(w, p, e) + b.aim_offset;
    const Vec2 d = wrapped_delta(p.pos, e.pos, w.size);
    const float dist = length(d);
    Vec2 want = approach_velocity(w, p, e.pos, e.vel, FIGHT_KEEP, skill_traits(b.skill).cruise_speed);
    // Close in under the engine while the nose points the way; otherwise aim.
    const bool closing = dist > FIGHT_KEEP * 2.0f && std::fabs(angle_between(p.angle, heading_of(want - p.vel))) < 0.4f;
    if (closing) fly(w, p, want, a);
    else face(w, p, heading, want, a);
    if (std::fabs(angle_between(p.angle, heading)) < skill_traits(b.skill).fire_tolerance && dist < FIRE_RANGE)
        a.fire = true;
}

// Stops at the bot's spot and buys `item` there.
void buy_at_spot(const Bot& b, const World& w, const Plane& p, uint8_t item, Act& a) {
    const bool there = field_distance(w, p.pos, b.spot) < AT_SPOT;
    fly(w, p, approach_velocity(w, p, b.spot, {0, 0}, 0.0f, skill_traits(b.skill).cruise_speed), a);
    if (there && length(p.vel) < STOPPED) a.buy = item;
}

void board(const Bot& b, const World& w, const Plane& p, Act& a) {
    const WorldObject& v = w.objects[b.target];
    const Vec2 seat = vessel_seat(v);
    const Vec2 d = wrapped_delta(p.pos, seat, w.size);
    Vec2 want = inside_object(w, v, p.pos) ? v.vel + d * SEAT_PULL
                                           : approach_velocity(w, p, seat, v.vel, 0.0f, skill_traits(b.skill).cruise_speed);
    fly(w, p, want, a);
}

// ---- the decision ------------------------------------------------------------

void look(Bot& b, const World& w) {
    const SkillTraits& traits = skill_traits(b.skill);
    b.plan_in = traits.reaction_ticks;
    b.aim_offset = (bot_draw(b, 2) * 2.0f - 1.0f) * traits.aim_error;
    const uint32_t patience = b.goal == GOAL_FIGHT ? FIGHT_PATIENCE : TOW_PATIENCE;
    if (b.goal == GOAL_TOW && b.goal_ticks > patience) {
        b.given_up = b.target;
        b.given_up_until = b.ticks + GIVE_UP_TICKS;
        b.goal = GOAL_NONE;
    }
    if (b.goal == GOAL_FIGHT && b.goal_ticks > patience) b.goal = GOAL_NONE;
    choose_goal(b, w);
}

}  // namespace

Bot make_bot(uint8_t slot, BotSkill skill, uint64_t seed) {
    Bot b;
    b.slot = slot;
    b.skill = skill;
    b.seed = seed;
    return b;
}

PlaneInput decide(Bot& b, const World& w) {
    ++b.ticks;
    PlaneInput in;
    if (!is_slot(b.slot)) return in;
    const Plane& p = w.planes[b.slot];
    if (!p.in_use || p.dead || w.winner != NONE) {
        b.goal = GOAL_NONE;
        b.plan_in = 0;
        b.hook_pressed = false;
        return in;
    }
    ++b.goal_ticks;
    if (!goal_valid(b, w)) b.plan_in = 0;
    if (b.plan_in == 0) look(b, w);
    else --b.plan_in;

    Act a;
    switch (b.goal) {
    case GOAL_TOW: tow(b, w, p, a); break;
    case GOAL_FIGHT: fight(b, w, p, a); break;
    case GOAL_BUY_STATION: buy_at_spot(b, w, p, ITEM_UPGRADE_STATION, a); break;
    case GOAL_BUY_VESSEL: buy_at_spot(b, w, p, ITEM_EXIT_VESSEL, a); break;
    case GOAL_BOARD: board(b, w, p, a); break;
    default:
        fly(w, p, {0, 0}, a);
        if (p.hook_out && p.hook_state != HOOK_FLYING && p.hook_state != HOOK_REELING) a.press_hook = true;
        break;
    }
    if (b.goal != GOAL_FIGHT && b.goal != GOAL_BOARD) fire_at_will(b, w, p, a);

    in.turn_left = a.steer.turn_left;
    in.turn_right = a.steer.turn_right;
    in.thrust = a.steer.thrust;
    in.fire = a.fire;
    // The hook acts on a fresh press: let go for a tick between presses.
    in.hook_key = a.press_hook && !b.hook_pressed;
    b.hook_pressed = in.hook_key;
    in.buy_item = a.buy;
    // What it bought changes its plans: it looks again at once.
    if (a.buy != ITEM_NONE) b.plan_in = 0;
    return in;
}
