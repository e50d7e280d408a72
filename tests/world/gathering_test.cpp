#include "world/gathering.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "test_worlds.h"
#include "world/forces.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/step.h"

namespace {

using namespace test_worlds;

// A collector `altitude` above the body's left side, moving along +y at
// `speed_ratio` times the circular speed there.
int put_collector(World& w, const CelestialBody& b, float altitude, float speed_ratio, uint8_t owner) {
    float dist = b.radius + altitude;
    WorldObject c = make_collector({0, 0}, 0.0f, w.rules);
    c.pos = {b.pos.x - dist, b.pos.y};
    c.vel = {0, circular_speed(b, dist) * speed_ratio};
    c.owner = owner;
    return add_object(w, c);
}

TEST(Gathering, TangentialPassIsDrawnIntoOrbitThenGathersEveryTwoAndAHalfSeconds) {
    World w = empty_world();
    add_body(w, planet_at({4800, 2700}, 1));
    live_plane(w, 4, {100, 100});
    int k = put_collector(w, w.bodies[0], 100, 1.6f, 4);
    std::vector<int> gather_ticks;
    for (int tick = 0; tick < 120 * 20; ++tick) {
        step_world(w);
        if (count_events(w, EVENT_GATHER) > 0) gather_ticks.push_back(tick);
    }
    ASSERT_GE(gather_ticks.size(), 4u);
    EXPECT_GT(gather_ticks[0], 30) << "too fast at first: no gathering until the assist has slowed it";
    for (size_t i = 1; i < gather_ticks.size(); ++i) {
        EXPECT_NEAR(gather_ticks[i] - gather_ticks[i - 1], 300, 1) << i;
    }
    EXPECT_EQ(w.planes[4].resources[1], gather_ticks.size());
    EXPECT_EQ(w.planes[4].resources[0], 0u);
    float dist = length(wrapped_delta(w.objects[k].pos, w.bodies[0].pos, w.size));
    EXPECT_NEAR(dist, 260.0f, 40.0f) << "still circling";
}

TEST(Gathering, CollectorAtRestFallsInAndNeverGathers) {
    World w = empty_world();
    add_body(w, planet_at({4800, 2700}, 0));
    int k = put_collector(w, w.bodies[0], 100, 0.0f, NONE);
    int gathers = 0;
    for (int tick = 0; tick < 240; ++tick) {
        step_world(w);
        gathers += count_events(w, EVENT_GATHER);
    }
    EXPECT_EQ(gathers, 0);
    float dist = length(wrapped_delta(w.objects[k].pos, w.bodies[0].pos, w.size));
    EXPECT_LT(dist, 160.0f + 40.0f) << "lies on the surface";
}

TEST(Gathering, OnlyTheUpgradedOfTwoCollectorsCirclingTheSunGathers) {
    World w = empty_world();
    add_body(w, sun_at({4800, 2700}));
    live_plane(w, 0, {100, 100});
    int plain = put_collector(w, w.bodies[0], 300, 1.0f, 0);
    int upgraded = put_collector(w, w.bodies[0], 300, 1.0f, 0);
    WorldObject& u = w.objects[upgraded];
    u.pos.x += 2 * (380 + 300);  // the far side, circling the same way
    u.vel = -u.vel;
    u.upgraded = true;
    int events = 0;
    for (int tick = 0; tick < 6 * 120; ++tick) {
        step_world(w);
        events += count_events(w, EVENT_GATHER);
        EXPECT_EQ(w.objects[plain].gather_timer, 0.0f);
    }
    EXPECT_FALSE(w.objects[plain].destroyed || u.destroyed);
    EXPECT_EQ(events, 3) << "at 0, 2.5 and 5 s";
    EXPECT_EQ(w.planes[0].sun_resource, 3u);
    EXPECT_EQ(w.planes[0].resources[0], 0u);
}

TEST(Gathering, TheSunFeedsOnlyUpgradedCollectors) {
    for (bool upgraded : {false, true}) {
        World w = empty_world();
        add_body(w, sun_at({4800, 2700}));
        live_plane(w, 0, {100, 100});
        int k = put_collector(w, w.bodies[0], 200, 1.0f, 0);
        w.objects[k].upgraded = upgraded;
        w.objects[k].gather_timer = 1.0f;
        gather(w);
        EXPECT_EQ(count_events(w, EVENT_GATHER), 0) << "mid-interval";
        EXPECT_EQ(w.objects[k].gather_timer, upgraded ? 1.0f + TICK : 0.0f);
        w.objects[k].gather_timer = 0;
        gather(w);
        EXPECT_EQ(count_events(w, EVENT_GATHER), upgraded ? 1 : 0);
        EXPECT_EQ(w.planes[0].sun_resource, upgraded ? 1u : 0u);
        EXPECT_EQ(w.planes[0].resources[0], 0u);
    }
}

TEST(Gathering, CreditGoesToAValidOwnerAndNowhereElse) {
    struct Case {
        const char* what;
        uint8_t owner;
        bool owner_in_use;
        bool owner_dead;
        bool upgraded;
        uint8_t resource;
        uint8_t event_owner;
        uint32_t credited;  // to plane 2, resource `resource % 3`
    } cases[] = {
        {"plain", 2, true, false, false, 1, 2, 1},
        {"upgraded gathers twice as much", 2, true, false, true, 1, 2, 2},
        {"dead owner still credited", 2, true, true, false, 1, 2, 1},
        {"owner left", 2, false, false, false, 1, 2, 0},
        {"no owner", NONE, true, false, false, 1, NONE, 0},
        {"owner byte past the planes", 77, true, false, false, 1, NONE, 0},
        {"resource byte taken mod 3", 2, true, false, false, 5, 2, 1},
    };
    for (auto c : cases) {
        World w = empty_world();
        w.rules.gather_amount = 3;
        add_body(w, planet_at({4800, 2700}, c.resource));
        Plane& p = live_plane(w, 2, {100, 100});
        p.in_use = c.owner_in_use;
        p.dead = c.owner_dead;
        int k = put_collector(w, w.bodies[0], 100, 1.0f, c.owner);
        w.objects[k].upgraded = c.upgraded;
        gather(w);
        ASSERT_EQ(count_events(w, EVENT_GATHER), 1) << c.what;
        EXPECT_EQ(w.events[0].a, c.event_owner) << c.what;
        EXPECT_EQ(w.events[0].pos, w.objects[k].pos) << c.what;
        EXPECT_EQ(p.resources[c.resource % 3], c.credited * 3) << c.what;
    }
}

// In orbit: 0 to 320 above a planet, the radial speed and the error of the
// tangential speed (either way round) each under 20% of the circular speed.
TEST(Gathering, WhatCountsAsAnOrbit) {
    struct Case {
        const char* what;
        float altitude, radial, tangential;  // speeds in circular speeds
        bool orbit;
    } cases[] = {
        {"circular", 100, 0, 1, true},
        {"the other way round", 100, 0, -1, true},
        {"inside the planet", -10, 0, 1, false},
        {"above the window", 321, 0, 1, false},
        {"radial 0.19 outward", 100, 0.19f, 1, true},
        {"radial 0.21 inward", 100, -0.21f, 1, false},
        {"tangential 1.19", 100, 0, 1.19f, true},
        {"tangential 0.79", 100, 0, -0.79f, false},
    };
    for (auto c : cases) {
        World w = empty_world();
        add_body(w, planet_at({4800, 2700}, 0));
        const float dist = PLANET_RADIUS + c.altitude;
        const float vo = circular_speed(w.bodies[0], dist);
        const Vec2 pos{4800 - dist, 2700};  // left of the centre: outward is -x, along is +y
        EXPECT_EQ(orbited_body(w, pos, {-c.radial * vo, c.tangential * vo}), c.orbit ? 0 : -1) << c.what;
    }
}

// The sun's orbit window reaches 520 wu above its surface (radius 380).
TEST(Gathering, TheSunsOrbitWindowIsFiveHundredTwenty) {
    World w = empty_world();
    add_body(w, sun_at({4800, 2700}));
    for (float altitude : {510.0f, 530.0f}) {
        const float dist = 380.0f + altitude;
        const float vo = circular_speed(w.bodies[0], dist);
        const Vec2 out{0.6f, -0.8f};
        const Vec2 pos = Vec2{4800, 2700} + out * dist;
        EXPECT_EQ(orbited_body(w, pos, Vec2{0.8f, 0.6f} * vo), altitude < 520.0f ? 0 : -1) << altitude;
    }
}

TEST(Gathering, OnlyCollectorsGather) {
    World w = empty_world();
    add_body(w, planet_at({4800, 2700}, 0));
    live_plane(w, 1, {100, 100});
    for (uint8_t kind : {OBJECT_TURRET, OBJECT_STATION, OBJECT_VESSEL}) {
        int k = put_collector(w, w.bodies[0], 100, 1.0f, 1);
        w.objects[k].kind = kind;
    }
    gather(w);
    EXPECT_EQ(w.event_count, 0u);
    EXPECT_EQ(w.planes[1].resources[0], 0u);
}

TEST(Gathering, OutOfOrbitOrGoneResetsTheTimer) {
    World w = empty_world();
    add_body(w, planet_at({4800, 2700}, 0));
    int k = put_collector(w, w.bodies[0], 100, 1.3f, NONE);  // tangential error 30%
    w.objects[k].gather_timer = 4.0f;
    gather(w);
    EXPECT_EQ(w.objects[k].gather_timer, 0.0f);

    w.objects[k].vel.y /= 1.3f;
    w.objects[k].destroyed = true;
    w.objects[k].gather_timer = 4.0f;
    gather(w);
    EXPECT_EQ(w.objects[k].gather_timer, 0.0f);
    EXPECT_EQ(w.event_count, 0u);
}

TEST(Gathering, HugeTimerFromTheWireIsHarmless) {
    World w = empty_world();
    add_body(w, planet_at({4800, 2700}, 0));
    int k = put_collector(w, w.bodies[0], 100, 1.0f, NONE);
    w.objects[k].gather_timer = 3.0e38f;
    gather(w);
    EXPECT_EQ(w.event_count, 0u) << "the timer no longer advances, so no multiple of 2.5 s is crossed";
}

}  // namespace
