#include "bots/plans.h"

#include "bots/sight.h"
#include "world/forces.h"
#include "world/gathering.h"
#include "world/geometry.h"
#include "world/random.h"
#include "world/world_limits.h"

namespace {

constexpr float PLANET_TOW_RADIUS = 330.0f;   // altitude 170: well inside the orbit window
constexpr float SUN_TOW_RADIUS = 730.0f;      // beyond the sun's heat, inside its window
constexpr float FLIGHT_SPEED = 300.0f;        // for estimating how long things take
constexpr float TOW_SPEED = 220.0f;
constexpr float FIXED_COST = 3.0f;            // seconds any tow takes beyond the flying
constexpr float NEED_FLOOR = 0.15f;           // a resource it has enough of still denies others
constexpr float SUN_VALUE = 2.5f;
constexpr float STATION_VALUE = 2.0f;
constexpr uint32_t SUN_LEAD = 12;             // a lead in sun resource worth taking collectors from

struct Needs {
    uint32_t need[RESOURCE_KINDS];
    uint32_t target;
    int station;
    int upgraded_mine;      // upgraded collectors it owns
    int orbiting_mine[MAX_BODIES];  // its collectors gathering at each body
    bool wants_upgrades;
    bool wants_sun;
};

Needs read_needs(const Bot& b, const World& w) {
    Needs n{};
    n.station = own_station(w, b.slot);
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (!is_live_collector(o) || o.owner != b.slot) continue;
        n.upgraded_mine += o.upgraded;
        const int body = orbited_body(w, o.pos, o.vel);
        if (body >= 0) ++n.orbiting_mine[body];
    }
    const bool upgrading = n.station >= 0 || n.upgraded_mine > 0;
    resource_needs(w, b.slot, upgrading, n.need);
    n.target = w.rules.win_amount + (upgrading ? 0u : w.rules.upgrade_station_cost);
    const Plane& p = w.planes[b.slot];
    n.wants_sun = p.sun_resource < w.rules.exit_vessel_cost && sun_index(w) >= 0;
    n.wants_upgrades = n.wants_sun && n.upgraded_mine < skill_traits(b.skill).sun_collectors;
    return n;
}

float need_weight(const Needs& n, uint8_t resource) {
    const float share = static_cast<float>(n.need[resource % RESOURCE_KINDS]) / static_cast<float>(n.target);
    return NEED_FLOOR + share;
}

// Whether the plane of `other` is well ahead in the race for the sun.
bool ahead(const World& w, uint8_t other, uint8_t self) {
    if (!is_slot(other) || !w.planes[other].in_use) return false;
    return w.planes[other].sun_resource >= w.planes[self].sun_resource + SUN_LEAD;
}

struct Choice {
    float score = 0;
    uint8_t target = NONE;
    uint8_t place = NONE;
};

void consider(Choice& best, float value, float seconds, int target, uint8_t place) {
    const float score = value / (seconds + FIXED_COST);
    if (value <= 0.0f || score <= best.score) return;
    best = {score, static_cast<uint8_t>(target), place};
}

// The planet it most wants a collector at, reached from `from`.
int best_planet(const World& w, const Needs& n, int most, Vec2 from, float& value, float& seconds) {
    int best = -1;
    float best_score = 0;
    for (int j = 0; j < body_limit(w); ++j) {
        const CelestialBody& b = w.bodies[j];
        if (b.is_sun || n.orbiting_mine[j] >= most) continue;
        const float v = need_weight(n, b.resource) / static_cast<float>(1 + n.orbiting_mine[j]);
        const float s = field_distance(w, from, b.pos) / TOW_SPEED;
        const float score = v / (s + FIXED_COST);
        if (best < 0 || score > best_score) {
            best = j;
            best_score = score;
            value = v;
            seconds = s;
        }
    }
    return best;
}

// The collector worth most for the time it takes, and where it should go.
Choice best_tow(const Bot& b, const World& w, const Needs& n) {
    const Plane& p = w.planes[b.slot];
    const SkillTraits& traits = skill_traits(b.skill);
    const int sun = sun_index(w);
    Choice best;
    for (int k = 0; k < object_limit(w); ++k) {
        const WorldObject& o = w.objects[k];
        if (!is_live_collector(o) || o.upgrading_station != NONE) continue;
        if (k == b.given_up && b.ticks < b.given_up_until) continue;
        const uint8_t holder = holder_of(w, k);
        if (holder != NONE && holder != b.slot) continue;
        const bool mine = o.owner == b.slot;
        if (!mine && o.owner != NONE && !traits.steals) continue;
        const float reach = field_distance(w, p.pos, o.pos) / FLIGHT_SPEED;
        const int body = orbited_body(w, o.pos, o.vel);
        if (o.upgraded) {
            if (sun < 0 || !n.wants_sun) continue;
            if (body == sun && mine) continue;  // already gathering sun resource
            // Taking a gathering sun collector from someone no further on
            // than itself only passes the lead back and forth.
            if (body == sun && !mine && o.owner != NONE && !ahead(w, o.owner, b.slot)) continue;
            const float tow = body == sun ? 0.0f : field_distance(w, o.pos, w.bodies[sun].pos) / TOW_SPEED;
            consider(best, SUN_VALUE, reach + tow, k, static_cast<uint8_t>(sun));
            continue;
        }
        if (n.station >= 0 && n.wants_upgrades) {
            const float tow = field_distance(w, o.pos, w.objects[n.station].pos) / TOW_SPEED;
            consider(best, STATION_VALUE, reach + tow, k, static_cast<uint8_t>(PLACE_STATION + n.station));
        }
        if (body >= 0 && !w.bodies[body].is_sun) {
            if (mine || n.orbiting_mine[body] >= traits.planet_collectors) continue;
            consider(best, need_weight(n, w.bodies[body].resource), reach, k, static_cast<uint8_t>(body));
            continue;
        }
        float value = 0, tow = 0;
        const int planet = best_planet(w, n, traits.planet_collectors, o.pos, value, tow);
        if (planet >= 0) consider(best, value, reach + tow, k, static_cast<uint8_t>(planet));
    }
    return best;
}

// The live enemy plane nearest to the bot within `range`, or NONE.
uint8_t nearest_enemy(const World& w, uint8_t slot, float range) {
    uint8_t best = NONE;
    float best_dist = range;
    const Plane& p = w.planes[slot];
    for (uint8_t i = 0; i < MAX_PLANES; ++i) {
        const Plane& e = w.planes[i];
        if (i == slot || !e.in_use || e.dead) continue;
        const float d = field_distance(w, p.pos, e.pos);
        if (d < best_dist) {
            best = i;
            best_dist = d;
        }
    }
    return best;
}

// A plane other than the bot's that is boarding an exit vessel, or NONE.
uint8_t boarding_enemy(const World& w, uint8_t slot) {
    for (uint8_t i = 0; i < MAX_PLANES; ++i) {
        const Plane& e = w.planes[i];
        if (i != slot && e.in_use && !e.dead && e.boarding_vessel != NONE) return i;
    }
    return NONE;
}

void set_goal(Bot& b, uint8_t goal, uint8_t target = NONE, uint8_t place = NONE) {
    if (b.goal != goal || b.target != target || b.place != place) b.goal_ticks = 0;
    b.goal = goal;
    b.target = target;
    b.place = place;
}

}  // namespace

float tow_orbit_radius(const CelestialBody& body) { return body.is_sun ? SUN_TOW_RADIUS : PLANET_TOW_RADIUS; }

float bot_draw(const Bot& b, uint32_t salt) {
    const uint32_t data[2] = {b.ticks, salt};
    return hash_fraction_lo(hash_draw(b.seed ^ b.slot, data, sizeof data));
}

bool goal_valid(const Bot& b, const World& w) {
    switch (b.goal) {
    case GOAL_TOW: {
        if (!is_object_index(w, b.target) || !is_live_collector(w.objects[b.target])) return false;
        if (b.place >= PLACE_STATION) {
            const uint8_t s = static_cast<uint8_t>(b.place - PLACE_STATION);
            return is_object_index(w, s) && w.objects[s].kind == OBJECT_STATION && !w.objects[s].free;
        }
        return b.place < body_limit(w);
    }
    case GOAL_FIGHT: {
        if (!is_slot(b.target)) return false;
        const Plane& e = w.planes[b.target];
        return e.in_use && !e.dead;
    }
    case GOAL_BOARD: {
        if (!is_object_index(w, b.target)) return false;
        const WorldObject& v = w.objects[b.target];
        return v.kind == OBJECT_VESSEL && !v.free && carries_enough(w.planes[b.slot], w.rules);
    }
    case GOAL_BUY_STATION: return own_station(w, b.slot) < 0;
    case GOAL_BUY_VESSEL: return w.planes[b.slot].sun_resource >= w.rules.exit_vessel_cost;
    default: return b.goal == GOAL_NONE;  // nothing to do: it looks again in its own time
    }
}

void choose_goal(Bot& b, const World& w) {
    const Plane& p = w.planes[b.slot];
    const SkillTraits& traits = skill_traits(b.skill);
    const Rules& rules = w.rules;

    if (carries_enough(p, rules)) {
        const int vessel = nearest_vessel(w, p.pos);
        const bool near = vessel >= 0 && field_distance(w, p.pos, w.objects[vessel].pos) < 1500.0f;
        if (vessel >= 0 && (near || p.sun_resource < rules.exit_vessel_cost)) {
            set_goal(b, GOAL_BOARD, static_cast<uint8_t>(vessel));
            return;
        }
        if (p.sun_resource >= rules.exit_vessel_cost) {
            if (b.goal != GOAL_BUY_VESSEL) b.spot = p.pos;
            set_goal(b, GOAL_BUY_VESSEL);
            return;
        }
    }
    if (traits.chases_boarders) {
        const uint8_t boarder = boarding_enemy(w, b.slot);
        if (boarder != NONE) {
            set_goal(b, GOAL_FIGHT, boarder);
            return;
        }
    }
    const Needs n = read_needs(b, w);
    bool station_affordable = true;
    for (uint32_t r : p.resources) station_affordable = station_affordable && r >= rules.upgrade_station_cost + traits.station_reserve;
    if (n.station < 0 && n.upgraded_mine == 0 && n.wants_sun && station_affordable) {
        if (b.goal != GOAL_BUY_STATION) b.spot = open_space_near(w, p.pos);
        set_goal(b, GOAL_BUY_STATION);
        return;
    }
    // Keep on with a fight it chose a moment ago; otherwise perhaps pick one.
    if (b.goal == GOAL_FIGHT && goal_valid(b, w) && b.goal_ticks < 600 &&
        field_distance(w, p.pos, w.planes[b.target].pos) < traits.fight_range * 1.5f) {
        return;
    }
    const uint8_t enemy = nearest_enemy(w, b.slot, traits.fight_range);
    if (enemy != NONE && p.health > rules.plane_health / 3 && bot_draw(b, 1) < traits.aggression) {
        set_goal(b, GOAL_FIGHT, enemy);
        return;
    }
    if (b.ticks < b.rest_until) {
        set_goal(b, GOAL_NONE);
        return;
    }
    // Keep a tow it has on the hook.
    if (b.goal == GOAL_TOW && goal_valid(b, w) && p.hook_out && p.hook_state == HOOK_ATTACHED &&
        p.hook_object == b.target) {
        return;
    }
    const Choice tow = best_tow(b, w, n);
    if (tow.target != NONE) {
        set_goal(b, GOAL_TOW, tow.target, tow.place);
        return;
    }
    set_goal(b, GOAL_NONE);
}
