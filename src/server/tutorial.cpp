#include "server/tutorial.h"

#include <algorithm>

#include "world/fmath.h"
#include "world/boarding.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/purchases.h"

namespace {

constexpr float TUTORIAL_OBJECT_RESPAWN_DELAY = 3.0f;
constexpr uint16_t TUTORIAL_GATHER_AMOUNT = 5;

Vec2 direction(float angle) { return {fcos(angle), fsin(angle)}; }

// Distance to the nearest edge of the world, for a point that is not wrapped.
float edge_distance(Vec2 p, Vec2 size) { return std::min({p.x, p.y, size.x - p.x, size.y - p.y}); }

float distance(const World& w, Vec2 a, Vec2 b) { return length(wrapped_delta(a, b, w.size)); }

bool has_event(const World& w, uint8_t kind, uint8_t a) {
    for (uint64_t i = 0; i < w.event_count && i < MAX_EVENTS; ++i) {
        if (w.events[i].kind == kind && w.events[i].a == a) return true;
    }
    return false;
}

// Appends a collector with its hull origin at `hull_origin`; a full object
// table skips it.
void add_collector(World& w, Vec2 hull_origin, float angle, uint8_t owner) {
    if (w.object_count >= MAX_OBJECTS) return;
    WorldObject o = make_collector(hull_origin, wrap_angle(angle), w.rules);
    // The centre of mass sits a little off the hull origin: wrap the final
    // position, not the origin, so that it lies inside the world.
    o.pos = wrap(o.pos, w.size);
    o.home_pos = o.pos;
    o.owner = owner;
    w.objects[w.object_count++] = o;
}

void add_body(World& w, const CelestialBody& body) {
    if (w.body_count >= MAX_BODIES) return;
    w.bodies[w.body_count++] = body;
}

void add_planet(World& w, Vec2 pos, uint8_t look, float phase, uint8_t resource) {
    add_body(w, make_body(wrap(pos, w.size), false, resource, look, phase));
}

// Step 1 -> 2: a collector close by and a planet further out, in the
// direction around the plane that keeps the planet furthest from the world's
// edges, preferring directions that are not ahead of the nose.
void place_first_collector_and_planet(World& w, const Plane& p) {
    const float theta = p.angle;
    int best_k = 0;
    float best_score = 0;
    for (int k = 0; k < 12; ++k) {
        float turn = static_cast<float>(k) * PI / 6.0f;
        Vec2 q = p.pos + direction(theta + turn) * TUTORIAL_PLANET_DISTANCE;
        float score = edge_distance(q, w.size);
        if (fcos(turn) > 0.01f) score -= TUTORIAL_FORWARD_PENALTY;
        if (k == 0 || score > best_score) {
            best_k = k;
            best_score = score;
        }
    }
    Vec2 d = direction(theta + static_cast<float>(best_k) * PI / 6.0f);
    add_collector(w, p.pos + d * TUTORIAL_COLLECTOR_DISTANCE, theta, NONE);
    add_planet(w, p.pos + d * TUTORIAL_PLANET_DISTANCE, 2, 3.7f, 0);
}

// Step 3 -> 4: a collector of another player next to the plane, on the side
// with the most room from the edges, the bodies and the other objects.
// Returns its index (the object count before it was added).
uint8_t place_stolen_collector(World& w, const Plane& p) {
    Vec2 best_q{};
    float best_score = 0;
    for (int k = 0; k < 12; ++k) {
        Vec2 q = p.pos + direction(static_cast<float>(k) * PI / 6.0f) * TUTORIAL_COLLECTOR_DISTANCE;
        float score = edge_distance(q, w.size);
        for (uint64_t b = 0; b < w.body_count && b < MAX_BODIES; ++b) {
            score = std::min(score, distance(w, q, w.bodies[b].pos) - TUTORIAL_BODY_CLEARANCE);
        }
        for (uint64_t i = 0; i < w.object_count && i < MAX_OBJECTS; ++i) {
            if (w.objects[i].free) continue;
            score = std::min(score, distance(w, q, w.objects[i].pos) - TUTORIAL_OBJECT_CLEARANCE);
        }
        if (k == 0 || score > best_score) {
            best_q = q;
            best_score = score;
        }
    }
    uint8_t index = static_cast<uint8_t>(std::min<uint64_t>(w.object_count, MAX_OBJECTS));
    add_collector(w, best_q, p.angle + 1.0f, static_cast<uint8_t>((p.slot + 1) % MAX_PLANES));
    return index;
}

// Step 4 -> 5: two more planets around the first, 60 degrees apart, each
// with a collector half-way out.
void place_two_planets(World& w) {
    if (w.body_count == 0) return;
    const Vec2 b = w.bodies[0].pos;
    const float sixty = PI / 3.0f;
    float best_a = 0;
    float best_score = 0;
    for (int m = 0; m < 24; ++m) {
        float a = static_cast<float>(m) * PI / 12.0f;
        Vec2 p1 = b + direction(a) * TUTORIAL_PLANET_SPACING;
        Vec2 p2 = b + direction(a + sixty) * TUTORIAL_PLANET_SPACING;
        float score = std::min({edge_distance(b, w.size), edge_distance(p1, w.size), edge_distance(p2, w.size)});
        if (m == 0 || score > best_score) {
            best_a = a;
            best_score = score;
        }
    }
    const float half = TUTORIAL_PLANET_SPACING * 0.5f;
    add_planet(w, b + direction(best_a) * TUTORIAL_PLANET_SPACING, 5, 1.9f, 1);
    add_collector(w, b + direction(best_a) * half, 0.4f, NONE);
    add_planet(w, b + direction(best_a + sixty) * TUTORIAL_PLANET_SPACING, 1, 4.2f, 2);
    add_collector(w, b + direction(best_a + sixty) * half, 0.4f, NONE);
}

// Step 6 -> 7: the sun, on the grid point furthest from the edges and the
// planets.
void place_sun(World& w) {
    Vec2 best_q{};
    float best_score = 0;
    bool first = true;
    for (int i = 0; i < 32; ++i) {
        for (int j = 0; j < 18; ++j) {
            Vec2 q = {(static_cast<float>(i) + 0.5f) / 32.0f * w.size.x, (static_cast<float>(j) + 0.5f) / 18.0f * w.size.y};
            float score = edge_distance(q, w.size) - TUTORIAL_SUN_EDGE_MARGIN;
            for (uint64_t b = 0; b < w.body_count && b < MAX_BODIES; ++b) {
                score = std::min(score, distance(w, q, w.bodies[b].pos) - TUTORIAL_SUN_CLEARANCE);
            }
            if (first || score > best_score) {
                best_q = q;
                best_score = score;
                first = false;
            }
        }
    }
    add_body(w, make_body(wrap(best_q, w.size), true, 0, 0, 4.2f));
}

void restart_tutorial(ServerSession& s) {
    bool occupied[MAX_PLANES];
    for (int i = 0; i < MAX_PLANES; ++i) occupied[i] = s.slots[i].in_use;
    restart_world(s.world, occupied);
    s.world.object_count = 0;
    s.tutorial = TutorialState{};
}

// Whether the player did what the current step asks, this tick.
bool step_done(ServerSession& s, const Plane& p) {
    World& w = s.world;
    TutorialState& t = s.tutorial;
    const Rules& rules = w.rules;
    switch (t.step) {
    case TUTORIAL_FLYING:
        t.turned_left |= p.turn_left;
        t.turned_right |= p.turn_right;
        t.thrust_used |= p.thrust;
        return t.turned_left && t.turned_right && t.thrust_used;
    case TUTORIAL_SHOOTING:
        for (uint64_t i = 0; i < w.event_count && i < MAX_EVENTS; ++i) {
            const WorldEvent& e = w.events[i];
            if (e.kind == EVENT_SHOT_FIRED && e.a == p.slot && t.shots_counted < 255) ++t.shots_counted;
        }
        return t.shots_counted >= TUTORIAL_SHOTS_NEEDED && !p.dead;
    case TUTORIAL_HAULING:
        return resource_sum(p) >= std::min(rules.turret_cost, rules.shield_cost);
    case TUTORIAL_BUYING:
        return has_event(w, EVENT_PURCHASE, p.slot);
    case TUTORIAL_STEALING:
        return t.stolen_collector < w.object_count && t.stolen_collector < MAX_OBJECTS &&
               w.objects[t.stolen_collector].owner == p.slot;
    case TUTORIAL_GATHERING:
        return p.resources[0] >= rules.upgrade_station_cost && p.resources[1] >= rules.upgrade_station_cost &&
               p.resources[2] >= rules.upgrade_station_cost;
    case TUTORIAL_UPGRADING:
        for (uint64_t i = 0; i < w.event_count && i < MAX_EVENTS; ++i) {
            const WorldEvent& e = w.events[i];
            if (e.kind == EVENT_UPGRADED && e.a == p.slot && e.b == OBJECT_COLLECTOR) return true;
        }
        return false;
    case TUTORIAL_SUN:
        return p.sun_resource >= rules.exit_vessel_cost;
    case TUTORIAL_EXIT_VESSEL:
        return has_event(w, EVENT_ROUND_WON, p.slot);
    default:
        return false;
    }
}

// What the script adds to the world when the player leaves a step.
void on_advance(ServerSession& s, const Plane& p) {
    World& w = s.world;
    switch (s.tutorial.step) {
    case TUTORIAL_SHOOTING: place_first_collector_and_planet(w, p); break;
    case TUTORIAL_BUYING: s.tutorial.stolen_collector = place_stolen_collector(w, p); break;
    case TUTORIAL_STEALING: place_two_planets(w); break;
    case TUTORIAL_UPGRADING: place_sun(w); break;
    default: break;
    }
}

}  // namespace

ServerSession* create_tutorial_session() {
    World world;
    generate_world(world);
    world.object_count = 0;
    world.rules.gather_amount = TUTORIAL_GATHER_AMOUNT;
    world.rules.object_respawn_delay = TUTORIAL_OBJECT_RESPAWN_DELAY;
    ServerSession* session = create_session(world);
    if (session) session->after_tick = tutorial_tick;
    return session;
}

void tutorial_tick(ServerSession& s) {
    int player = -1;
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (s.slots[i].in_use) {
            player = i;
            break;
        }
    }
    if (player < 0) return;

    World& w = s.world;
    if (round_finished(w)) {
        restart_tutorial(s);
        return;
    }

    Plane& p = w.planes[player];
    if (!p.in_use) return;
    // The tutorial player always has both.
    p.has_radar = true;
    p.has_minimap = true;

    if (s.tutorial.step >= TUTORIAL_WON || !step_done(s, p)) return;
    on_advance(s, p);
    ++s.tutorial.step;
}
