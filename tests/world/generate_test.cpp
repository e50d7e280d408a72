#include "world/generate.h"

#include <gtest/gtest.h>

#include <cstring>

#include "test_worlds.h"
#include "world/geometry.h"
#include "world/random.h"

namespace {

using namespace test_worlds;

TEST(MakeCollector, HullOriginLandsWhereAskedWithTheFixedMass) {
    Rules rules{};
    rules.collector_health = 77;
    WorldObject o = make_collector({4800, 2565}, 0.35f, rules);
    Vec2 origin = o.pos + rotate(o.hull_offset, o.angle);
    EXPECT_NEAR(origin.x, 4800.0f, 1e-3f);
    EXPECT_NEAR(origin.y, 2565.0f, 1e-3f);
    EXPECT_EQ(o.mass, COLLECTOR_MASS);
    // Built from world coordinates, the mass properties carry float32 rounding
    // of that size; the centroid lies about 5.95 below the hull origin.
    EXPECT_NEAR(o.inertia, 103.04f, 0.5f);
    EXPECT_NEAR(o.area, 1170.45f, 1.0f);
    EXPECT_NEAR(o.hull_offset.y, -5.95f, 0.5f);
    EXPECT_NEAR(o.hull_offset.x, 0.0f, 1.0f);
    EXPECT_EQ(o.home_pos, o.pos);
    EXPECT_EQ(o.home_angle, 0.35f);
    EXPECT_EQ(o.health, 77);
    EXPECT_EQ(o.kind, OBJECT_COLLECTOR);
    EXPECT_EQ(o.owner, NONE);
    EXPECT_EQ(o.upgrading_station, NONE);
    EXPECT_FALSE(o.free || o.destroyed || o.upgraded);
}

TEST(GenerateWorld, FixedLayout) {
    World w;
    w.body_count = 3;
    w.planes[1].in_use = true;
    w.spawn_counter = 9;
    w.rules.gather_amount = 5;
    generate_world(w);
    EXPECT_EQ(w.size, (Vec2{9600, 5400}));
    EXPECT_EQ(w.body_count, 0u);
    EXPECT_EQ(w.object_count, 1u);
    EXPECT_EQ(w.objects[0].angle, 0.35f);
    EXPECT_EQ(w.objects[0].kind, OBJECT_COLLECTOR);
    EXPECT_EQ(w.shot_count, 0u);
    EXPECT_EQ(w.event_count, 0u);
    EXPECT_EQ(w.spawn_counter, 0u);
    EXPECT_EQ(w.winner, NONE);
    EXPECT_EQ(w.rules.gather_amount, 1) << "initial rules";
    for (const Plane& p : w.planes) EXPECT_FALSE(p.in_use);
}

TEST(RestartWorld, KeepsRulesClearsPlayersAndSpawnsOccupiedSlotsAtTheirPlaces) {
    World w;
    generate_world(w);
    w.rules.gather_amount = 5;
    w.rules.win_amount = 2;
    for (uint8_t s : {0, 3, 6}) {
        Plane& p = live_plane(w, s, {10, 10});
        p.resources[0] = 40;
        p.sun_resource = 60;
        p.has_radar = p.has_minimap = p.has_sun_shield = true;
        p.shield = 50;
        p.hook_out = true;
        p.dead = true;
        p.killer = KILL_SUN;
    }
    w.objects[0].pos = {1, 1};
    w.winner = 3;
    bool occupied[MAX_PLANES] = {true, false, false, true, false, false, false, false};
    restart_world(w, occupied);

    EXPECT_EQ(w.rules.gather_amount, 5);
    EXPECT_EQ(w.rules.win_amount, 2u);
    EXPECT_EQ(w.winner, NONE);
    EXPECT_NEAR(w.objects[0].pos.x, 4800.0f, 10.0f);
    EXPECT_FALSE(w.planes[6].in_use) << "a slot no longer occupied is freed";
    struct Case {
        uint8_t slot;
        Vec2 pos;
    } cases[] = {{0, {4800, 2754}}, {3, {4460, 2754}}};
    for (auto c : cases) {
        const Plane& p = w.planes[c.slot];
        EXPECT_TRUE(p.in_use);
        EXPECT_EQ(p.pos, c.pos);
        EXPECT_EQ(p.slot, c.slot);
        EXPECT_EQ(p.angle, -1.5707964f);
        EXPECT_EQ(p.health, 150);
        EXPECT_EQ(p.boarding_vessel, NONE);
        EXPECT_EQ(p.resources[0], 0u);
        EXPECT_EQ(p.sun_resource, 0u);
        EXPECT_FALSE(p.has_radar || p.has_minimap || p.has_sun_shield || p.hook_out || p.dead);
        EXPECT_EQ(p.shield, 0);
        EXPECT_EQ(p.killer, 0);
    }
}

World world_with_bodies() {
    World w;
    generate_world(w);
    add_body(w, sun_at({4800, 2700}));
    add_body(w, planet_at({1500, 1200}, 0));
    add_body(w, planet_at({8000, 4300}, 1));
    return w;
}

TEST(SpawnPoint, SearchesClearOfTheBodies) {
    World w = world_with_bodies();
    for (uint8_t slot = 0; slot < MAX_PLANES; ++slot) {
        uint32_t counter = w.spawn_counter;
        Vec2 p = spawn_point(w, slot);
        EXPECT_EQ(w.spawn_counter, counter + 1);
        EXPECT_GE(p.x, 0.0f);
        EXPECT_LT(p.x, 9600.0f);
        EXPECT_GE(p.y, 0.0f);
        EXPECT_LT(p.y, 5400.0f);
        EXPECT_GE(length(wrapped_delta(p, w.bodies[0].pos, w.size)), 2000.0f);
        EXPECT_GE(length(wrapped_delta(p, w.bodies[1].pos, w.size)), 1200.0f);
        EXPECT_GE(length(wrapped_delta(p, w.bodies[2].pos, w.size)), 1200.0f);
    }
}

TEST(SpawnPoint, TwoRespawnsOfTheSameSlotDiffer) {
    World w = world_with_bodies();
    Vec2 a = spawn_point(w, 2);
    Vec2 b = spawn_point(w, 2);
    EXPECT_FALSE(a == b);
    EXPECT_EQ(w.spawn_counter, 2u);
}

TEST(SpawnPoint, FirstCandidateIsTheHashOfSlotAndTry) {
    World w = world_with_bodies();
    w.spawn_counter = 41;
    // Find a slot whose first candidate is clear, and compare it with the draw.
    const uint8_t data[8] = {5, 0, 0, 0, 0, 0, 0, 0};
    uint64_t h = hash_draw(42, data, 8);
    Vec2 expect{static_cast<float>(h & 0xFFFFFF) * 5.9604645e-8f * 9600.0f,
                static_cast<float>((h >> 32) & 0xFFFFFF) * 5.9604645e-8f * 5400.0f};
    Vec2 got = spawn_point(w, 5);
    bool clear = length(wrapped_delta(expect, w.bodies[0].pos, w.size)) >= 2000 &&
                 length(wrapped_delta(expect, w.bodies[1].pos, w.size)) >= 1200 &&
                 length(wrapped_delta(expect, w.bodies[2].pos, w.size)) >= 1200;
    if (clear) {
        EXPECT_EQ(got, expect);
    } else {
        EXPECT_FALSE(got == expect);
    }
}

TEST(SpawnPoint, CrowdedWorldTakesTheLastCandidate) {
    World w = world_with_bodies();
    w.size = {1000, 1000};  // every point is within 2000 of the sun
    w.spawn_counter = 7;
    Vec2 got = spawn_point(w, 1);
    const uint8_t data[8] = {1, 0, 0, 0, 255, 0, 0, 0};
    uint64_t h = hash_draw(8, data, 8);
    EXPECT_EQ(got, (Vec2{hash_fraction_lo(h) * 1000.0f, hash_fraction_hi(h) * 1000.0f}));
}

TEST(SpawnPoint, WithoutBodiesTheFixedPlacesAndNoCount) {
    World w;
    generate_world(w);
    const float offsets[MAX_PLANES] = {0, -190, 190, -340, 340, -100, 100, -250};
    for (uint8_t s = 0; s < MAX_PLANES; ++s) EXPECT_EQ(spawn_point(w, s), (Vec2{4800 + offsets[s], 2754})) << int(s);
    EXPECT_EQ(spawn_point(w, 200), (Vec2{4800, 2754})) << "a slot byte past the planes";
    EXPECT_EQ(w.spawn_counter, 0u);
}

TEST(SpawnPlane, IgnoresASlotPastThePlanes) {
    World w;
    generate_world(w);
    World before = w;
    spawn_plane(w, 8);
    EXPECT_EQ(std::memcmp(&before, &w, sizeof w), 0);
}

}  // namespace
