#include "world/random_map.h"

#include "world/fmath.h"
#include "world/forces.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/random.h"

// Every draw is one next_float of a xoshiro256++ generator seeded through
// splitmix64, taken in a fixed order, and all arithmetic is float32 with the
// project's own sine and cosine: the map is the same everywhere.
namespace {

constexpr int LAYOUT_TRIES = 64;
constexpr int PLANET_TRIES = 200;
constexpr int OPEN_SPACE_TRIES = 64;
constexpr float SPAWN_SCAN_STEP = 100.0f;
constexpr float OPEN_SPACE_SLACK = 100.0f;  // beyond the gravity range

struct Layout {
    Vec2 sun;
    Vec2 planets[MAP_PLANETS];
};

// A known-good layout, used only if every drawn one fails.
constexpr Layout FALLBACK_LAYOUT{{1800, 2700}, {{5200, 1400}, {5200, 4000}, {8000, 2700}}};

float distance(Vec2 a, Vec2 b, Vec2 size) { return length(wrapped_delta(a, b, size)); }

// Index in [0, n) from one draw.
int pick(Xoshiro256& g, int n) {
    int i = static_cast<int>(next_float(g) * static_cast<float>(n));
    return i < n ? i : n - 1;
}

Vec2 inner_point(Xoshiro256& g, Vec2 size) {
    float x = MAP_BODY_MARGIN + next_float(g) * (size.x - 2.0f * MAP_BODY_MARGIN);
    float y = MAP_BODY_MARGIN + next_float(g) * (size.y - 2.0f * MAP_BODY_MARGIN);
    return {x, y};
}

bool planet_fits(const Layout& l, int placed, Vec2 p, Vec2 size) {
    if (distance(p, l.sun, size) < MAP_SUN_SPACING) return false;
    for (int i = 0; i < placed; ++i) {
        if (distance(p, l.planets[i], size) < MAP_PLANET_SPACING) return false;
    }
    return true;
}

// Whether a plane could spawn somewhere: a point with the spawn clearances.
bool has_spawn_room(const Layout& l, Vec2 size) {
    for (float y = 0; y < size.y; y += SPAWN_SCAN_STEP) {
        for (float x = 0; x < size.x; x += SPAWN_SCAN_STEP) {
            Vec2 p{x, y};
            if (distance(p, l.sun, size) < SPAWN_CLEARANCE_SUN) continue;
            bool clear = true;
            for (const Vec2& planet : l.planets) clear = clear && distance(p, planet, size) >= SPAWN_CLEARANCE_PLANET;
            if (clear) return true;
        }
    }
    return false;
}

bool draw_layout(Xoshiro256& g, Vec2 size, Layout& l) {
    l.sun = inner_point(g, size);
    for (int i = 0; i < MAP_PLANETS; ++i) {
        bool placed = false;
        for (int t = 0; t < PLANET_TRIES && !placed; ++t) {
            Vec2 p = inner_point(g, size);
            if (planet_fits(l, i, p, size)) {
                l.planets[i] = p;
                placed = true;
            }
        }
        if (!placed) return false;
    }
    return has_spawn_room(l, size);
}

Layout choose_layout(Xoshiro256& g, Vec2 size) {
    Layout l{};
    for (int t = 0; t < LAYOUT_TRIES; ++t) {
        if (draw_layout(g, size, l)) return l;
    }
    return FALLBACK_LAYOUT;
}

// A random order of the n values first, first + 1, ...
void shuffle(Xoshiro256& g, uint8_t* values, int n, uint8_t first) {
    for (int i = 0; i < n; ++i) values[i] = static_cast<uint8_t>(first + i);
    for (int i = n - 1; i > 0; --i) {
        int j = pick(g, i + 1);
        uint8_t v = values[i];
        values[i] = values[j];
        values[j] = v;
    }
}

void add_collector(World& w, Vec2 hull_origin, float angle) {
    if (w.object_count >= MAX_OBJECTS) return;
    WorldObject o = make_collector(wrap(hull_origin, w.size), angle, w.rules);
    // The centre of mass sits a little off the hull origin: near the seam it
    // may lie across it.
    o.pos = wrap(o.pos, w.size);
    o.home_pos = o.pos;
    w.objects[w.object_count++] = o;
}

// Two or three collectors on a ring around the planet, spread around it.
void collectors_around(World& w, Xoshiro256& g, Vec2 centre) {
    int count = 2 + pick(g, 2);
    float base = next_float(g) * TWO_PI;
    for (int i = 0; i < count; ++i) {
        float spacing = TWO_PI / static_cast<float>(count);
        float bearing = base + static_cast<float>(i) * spacing + (next_float(g) - 0.5f) * 0.6f;
        float dist = MAP_COLLECTOR_NEAR + next_float(g) * (MAP_COLLECTOR_FAR - MAP_COLLECTOR_NEAR);
        float s, c;
        fsincos(bearing, s, c);
        add_collector(w, centre + Vec2{c, s} * dist, next_float(g) * TWO_PI);
    }
}

// How far a point is outside every body's pull (negative inside one).
float open_space_margin(const World& w, Vec2 p) {
    float margin = 3.0e38f;
    for (uint64_t i = 0; i < w.body_count; ++i) {
        const CelestialBody& b = w.bodies[i];
        float m = distance(p, b.pos, w.size) - reach_of(b).gravity_range;
        if (m < margin) margin = m;
    }
    return margin;
}

// A point near the field's centre beyond every body's pull, searching ever
// wider; the most open candidate if none is clear.
Vec2 open_space_near_middle(const World& w, Xoshiro256& g) {
    Vec2 middle = w.size * 0.5f;
    Vec2 best = middle;
    float best_margin = open_space_margin(w, middle);
    for (int t = 0; t < OPEN_SPACE_TRIES && best_margin < OPEN_SPACE_SLACK; ++t) {
        float spread = 300.0f + static_cast<float>(t) * 60.0f;
        float dx = (next_float(g) * 2.0f - 1.0f) * spread;
        float dy = (next_float(g) * 2.0f - 1.0f) * spread;
        Vec2 p = wrap(middle + Vec2{dx, dy}, w.size);
        float m = open_space_margin(w, p);
        if (m > best_margin) {
            best = p;
            best_margin = m;
        }
    }
    return best;
}

}  // namespace

void generate_random_world(World& out, uint64_t seed) {
    out = World{};
    out.winner = NONE;
    out.winner_vessel = 0;
    Xoshiro256 g = seed_xoshiro(seed);

    // Draw order: layout, planet looks, planet resources, phases (sun first),
    // collectors planet by planet, then the open-space collector.
    Layout l = choose_layout(g, out.size);
    uint8_t looks[7];
    shuffle(g, looks, 7, 1);
    uint8_t resources[MAP_PLANETS];
    shuffle(g, resources, MAP_PLANETS, 0);

    out.bodies[0] = make_body(l.sun, true, 0, 0, next_float(g) * 10.0f);
    for (int i = 0; i < MAP_PLANETS; ++i) {
        out.bodies[1 + i] = make_body(l.planets[i], false, resources[i], looks[i], next_float(g) * 10.0f);
    }
    out.body_count = 1 + MAP_PLANETS;

    for (int i = 0; i < MAP_PLANETS; ++i) collectors_around(out, g, l.planets[i]);
    add_collector(out, open_space_near_middle(out, g), next_float(g) * TWO_PI);
}
