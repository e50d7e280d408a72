#include "world/random_map.h"

#include <gtest/gtest.h>

#include <set>

#include "world/forces.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

float distance(const World& w, Vec2 a, Vec2 b) { return length(wrapped_delta(a, b, w.size)); }

Vec2 hull_origin(const WorldObject& o) { return o.pos + rotate(o.hull_offset, o.angle); }

bool same_map(const World& a, const World& b) {
    if (a.body_count != b.body_count || a.object_count != b.object_count) return false;
    for (uint64_t i = 0; i < a.body_count; ++i) {
        const CelestialBody &x = a.bodies[i], &y = b.bodies[i];
        if (!(x.pos == y.pos) || x.phase != y.phase || x.look != y.look || x.resource != y.resource) return false;
    }
    for (uint64_t i = 0; i < a.object_count; ++i) {
        const WorldObject &x = a.objects[i], &y = b.objects[i];
        if (!(x.pos == y.pos) || x.angle != y.angle || !(x.hull_offset == y.hull_offset)) return false;
        if (x.mass != y.mass) return false;
    }
    return true;
}

TEST(RandomMap, EverySeedGivesAPlayableMap) {
    const Rules initial{};
    for (uint64_t seed = 0; seed < 60; ++seed) {
        World w;
        generate_random_world(w, seed * 0x9E3779B97F4A7C15ull + 3);
        SCOPED_TRACE(seed);
        ASSERT_EQ(w.body_count, 4u);
        const CelestialBody& sun = w.bodies[0];
        EXPECT_TRUE(sun.is_sun);
        EXPECT_EQ(sun.radius, 380.0f);
        EXPECT_EQ(sun.surface_gravity, 110.0f);
        EXPECT_EQ(sun.look, 0);
        EXPECT_EQ(sun.resource, 0);
        std::set<int> looks, resources;
        for (int i = 0; i < 4; ++i) {
            const CelestialBody& b = w.bodies[i];
            EXPECT_GE(b.phase, 0.0f);
            EXPECT_LE(b.phase, 10.0f);
            EXPECT_GE(b.pos.x, MAP_BODY_MARGIN);
            EXPECT_LE(b.pos.x, 9600 - MAP_BODY_MARGIN);
            EXPECT_GE(b.pos.y, MAP_BODY_MARGIN);
            EXPECT_LE(b.pos.y, 5400 - MAP_BODY_MARGIN);
            if (i == 0) continue;
            EXPECT_FALSE(b.is_sun);
            EXPECT_EQ(b.radius, 160.0f);
            EXPECT_EQ(b.surface_gravity, 250.0f);
            EXPECT_GE(b.look, 1);
            EXPECT_LE(b.look, 7);
            looks.insert(b.look);
            resources.insert(b.resource);
            EXPECT_GE(distance(w, b.pos, sun.pos), 3200.0f);
            for (int j = 1; j < i; ++j) EXPECT_GE(distance(w, b.pos, w.bodies[j].pos), 2500.0f);
        }
        EXPECT_EQ(looks.size(), 3u);
        EXPECT_EQ(resources, (std::set<int>{0, 1, 2}));

        // Collectors: two or three near each planet, one in open space.
        int near[4] = {};
        int open = 0;
        for (uint64_t k = 0; k < w.object_count; ++k) {
            const WorldObject& o = w.objects[k];
            EXPECT_EQ(o.kind, OBJECT_COLLECTOR);
            EXPECT_EQ(o.owner, NONE);
            EXPECT_EQ(o.vel, (Vec2{0, 0})) << "at rest: towed into orbit by the players";
            EXPECT_EQ(o.health, initial.collector_health);
            int counted = 0;
            for (int i = 1; i < 4; ++i) {
                float d = distance(w, hull_origin(o), w.bodies[i].pos);
                if (d >= MAP_COLLECTOR_NEAR - 0.01f && d <= MAP_COLLECTOR_FAR + 0.01f) {
                    ++near[i];
                    ++counted;
                }
            }
            bool in_open = true;
            for (int i = 0; i < 4; ++i) {
                in_open = in_open && distance(w, o.pos, w.bodies[i].pos) > reach_of(w.bodies[i]).gravity_range;
            }
            if (in_open) {
                ++open;
                EXPECT_LT(distance(w, o.pos, {4800, 2700}), 4000.0f);
            }
            EXPECT_EQ(counted + (in_open ? 1 : 0), 1) << k;
        }
        for (int i = 1; i < 4; ++i) {
            EXPECT_GE(near[i], 2);
            EXPECT_LE(near[i], 3);
        }
        EXPECT_EQ(open, 1);

        // Spawning finds clear points (not the last-resort candidate).
        for (uint8_t slot = 0; slot < MAX_PLANES; ++slot) {
            Vec2 p = spawn_point(w, slot);
            EXPECT_GE(distance(w, p, sun.pos), 2000.0f);
            for (int i = 1; i < 4; ++i) EXPECT_GE(distance(w, p, w.bodies[i].pos), 1200.0f);
        }

        EXPECT_EQ(w.rules.win_amount, initial.win_amount);
        EXPECT_EQ(w.rules.gather_amount, initial.gather_amount);
        for (const Plane& p : w.planes) EXPECT_FALSE(p.in_use);
        EXPECT_EQ(w.winner, NONE);
        EXPECT_EQ(w.shot_count, 0u);
    }
}

TEST(RandomMap, SameSeedSameMapOtherSeedOtherMap) {
    World a, b, c;
    generate_random_world(a, 12345);
    generate_random_world(b, 12345);
    generate_random_world(c, 12346);
    EXPECT_TRUE(same_map(a, b));
    EXPECT_FALSE(same_map(a, c));
    EXPECT_FALSE(a.bodies[0].pos == c.bodies[0].pos);
}

}  // namespace
