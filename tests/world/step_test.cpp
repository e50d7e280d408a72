#include "world/step.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_worlds.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

using namespace test_worlds;

// Bodies, a plane of each slot with hook and gun busy, objects of every kind.
World lively_world() {
    World w = empty_world();
    add_body(w, sun_at({7200, 2700}));
    add_body(w, planet_at({1500, 1300}, 0));
    add_body(w, planet_at({1500, 4100}, 1));
    add_body(w, planet_at({4300, 2700}, 2));
    for (uint8_t s = 0; s < MAX_PLANES; ++s) {
        Plane& p = live_plane(w, s, {1500.0f + 250 * s, 2700}, 0.7f * s);
        p.vel = {40.0f * s, -30};
        p.fire = true;
        p.thrust = s % 2;
        p.turn_left = s % 3 == 0;
        p.hook_key = true;
        p.resources[0] = p.resources[1] = p.resources[2] = 40;
        p.sun_resource = 60;
    }
    for (int i = 0; i < 6; ++i) {
        WorldObject c = make_collector({1500.0f + 310 * (i % 2 ? 1 : -1), 1300.0f + 2800 * (i / 2 % 2)}, 0.3f, w.rules);
        c.vel = {0, 143.7f * (i % 2 ? 1 : -1)};
        c.owner = static_cast<uint8_t>(i);
        add_object(w, c);
    }
    add_object(w, turret_at({2000, 2500}, 1));
    add_object(w, station_at({2600, 2500}, 1.0f, 2));
    add_object(w, vessel_at({3000, 2500}, 0.5f, 3));
    return w;
}

TEST(Step, EventsDescribeOnlyTheLatestTickAndPurchasesAreConsumed) {
    World w = lively_world();
    w.planes[0].buy_item = ITEM_RADAR;
    step_world(w);
    EXPECT_GT(w.event_count, 8u) << "shots and hooks of every plane";
    EXPECT_EQ(w.planes[0].buy_item, ITEM_NONE);
    EXPECT_TRUE(w.planes[0].has_radar);
    for (Plane& p : w.planes) p.fire = p.hook_key = false;
    w.planes[0].fire_cooldown = 1.0f;
    for (int i = 0; i < 30; ++i) step_world(w);
    for (uint64_t i = 0; i < w.event_count; ++i) EXPECT_NE(w.events[i].kind, EVENT_HOOK_FIRED);
}

// Only planes in use fly: a free slot's plane stays all zero, even where a
// planet would pull it.
TEST(Step, FreeSlotsStayAllZero) {
    World w = empty_world();
    add_body(w, planet_at({500, 500}, 0));
    for (int i = 0; i < 10; ++i) step_world(w);
    for (const Plane& p : w.planes) {
        EXPECT_EQ(p.pos, (Vec2{0, 0}));
        EXPECT_EQ(p.vel, (Vec2{0, 0}));
        EXPECT_EQ(p.angle, 0.0f);
        EXPECT_FALSE(p.in_use);
    }
}

TEST(Step, RespawnedPlaneFliesFromTheNextTick) {
    World w = empty_world();
    add_body(w, planet_at({1500, 1300}, 0));
    Plane& p = live_plane(w, 3, {100, 100});
    p.dead = true;
    p.respawn_timer = TICK;
    p.thrust = true;
    step_world(w);
    ASSERT_FALSE(p.dead);
    EXPECT_EQ(p.vel, (Vec2{0, 0}));
    EXPECT_EQ(p.flame, 0.0f);
    step_world(w);
    EXPECT_GT(length(p.vel), 3.0f);
}

TEST(Step, AWinEndsTheTickAndFreezesTimers) {
    World w = lively_world();
    int v = add_object(w, vessel_at({6000, 600}, 0.0f, 5));
    Plane& p = live_plane(w, 5, {6000, 600});
    p.resources[0] = p.resources[1] = p.resources[2] = 15;
    p.boarding_vessel = static_cast<uint8_t>(v);
    p.boarding_timer = w.rules.boarding_time - TICK * 0.5f;
    step_world(w);
    ASSERT_EQ(w.winner, 5);
    EXPECT_EQ(w.shot_count, 0u);
    EXPECT_FALSE(p.dead);
    float respawn = w.planes[0].respawn_timer;
    step_world(w);
    EXPECT_EQ(w.planes[0].respawn_timer, respawn);
    EXPECT_FLOAT_EQ(w.round_over_timer, w.rules.round_over_delay - TICK);
}

// Phase 9 (sun heat) runs before phase 10 (gathering): a collector the heat
// destroys gathers nothing in that tick, though it is in orbit of a planet.
TEST(Step, HeatDestroysACollectorBeforeItGathers) {
    for (bool hot : {false, true}) {
        World w = empty_world();
        add_body(w, planet_at({3000, 2000}, 1));
        add_body(w, sun_at({3000, 1290}));  // 450 from the collector: 70 above the sun, not touching
        WorldObject c = make_collector({3000, 1740}, 0.0f, w.rules);
        c.pos = {3000, 1740};  // 260 from the planet's centre: 100 above its surface
        c.vel = {-std::sqrt(250.0f * 160.0f * 160.0f / 260.0f), 0};  // the circular speed
        c.health = 1;
        c.heat = hot ? 0.999f : 0.0f;
        c.owner = 2;
        int k = add_object(w, c);
        live_plane(w, 2, {8000, 4000});
        step_world(w);
        EXPECT_EQ(w.objects[k].destroyed, hot);
        EXPECT_EQ(count_events(w, EVENT_GATHER), hot ? 0 : 1) << (hot ? "destroyed first" : "in orbit: gathers at once");
        EXPECT_EQ(w.planes[2].resources[1], hot ? 0u : 1u);
    }
}

// Phase 12 (stations) runs before phase 13 (boarding): an upgrade that
// finishes in the tick of a win is made before the win destroys the objects
// outside the winning vessel.
TEST(Step, StationsFinishTheirWorkBeforeAWin) {
    World w = empty_world();
    int s = add_object(w, station_at({2000, 2000}, 0.0f, 1));
    WorldObject c = make_collector({2000, 2000}, 0.0f, w.rules);
    c.upgrading_station = static_cast<uint8_t>(s);
    c.upgrade_timer = w.rules.upgrade_time - TICK * 0.5f;
    c.upgrade_radius = 30;
    c.owner = 1;
    int k = add_object(w, c);
    int v = add_object(w, vessel_at({6000, 3000}, 0.0f, 4));
    Plane& p = live_plane(w, 4, {6000, 3000});
    p.resources[0] = p.resources[1] = p.resources[2] = 15;
    p.boarding_vessel = static_cast<uint8_t>(v);
    p.boarding_timer = w.rules.boarding_time - TICK * 0.5f;
    step_world(w);
    ASSERT_EQ(w.winner, 4);
    EXPECT_EQ(count_events(w, EVENT_UPGRADED), 1);
    EXPECT_TRUE(w.objects[k].upgraded);
    EXPECT_TRUE(w.objects[k].destroyed) << "outside the winning vessel";
    EXPECT_TRUE(w.objects[s].free);
}

// A world from a server may hold any byte in its index fields; the step must
// treat out-of-range values as "none" and never read outside its arrays.
TEST(Step, HostileBytesFromTheWireAreHarmless) {
    struct Case {
        const char* what;
        void (*spoil)(World&);
    } cases[] = {
        {"object owners", [](World& w) { for (auto& o : w.objects) o.owner = 200; }},
        {"killers", [](World& w) { for (auto& p : w.planes) { p.killer = 0xF0; p.dead = true; } }},
        {"hook objects", [](World& w) { for (auto& p : w.planes) { p.hook_out = true; p.hook_state = HOOK_ATTACHED; p.hook_object = 250; } }},
        {"boarding vessels", [](World& w) { for (auto& p : w.planes) p.boarding_vessel = 77; }},
        {"upgrading stations", [](World& w) { for (auto& o : w.objects) o.upgrading_station = 99; }},
        {"winner and vessel", [](World& w) { w.winner = 50; w.winner_vessel = 99; }},
        {"winner vessel only", [](World& w) { w.winner = 3; w.winner_vessel = 200; }},
        {"point counts", [](World& w) { for (auto& o : w.objects) o.point_count = 1u << 30; }},
        {"empty hulls", [](World& w) { for (auto& o : w.objects) o.point_count = 0; }},
        {"counts", [](World& w) { w.object_count = 1000; w.body_count = 99; w.shot_count = 500; w.event_count = 1u << 20; }},
        {"shot owners", [](World& w) { w.shot_count = MAX_SHOTS; for (auto& s : w.shots) { s.owner = 123; s.damage = 65535; s.pos = {5, 5}; } }},
        {"kinds", [](World& w) { for (int i = 0; i < MAX_OBJECTS; ++i) w.objects[i].kind = static_cast<uint8_t>(i * 37); }},
        {"huge values", [](World& w) { for (auto& p : w.planes) { p.pos = {3e38f, -3e38f}; p.heat = 3e38f; p.angle = 1e30f; p.fire_cooldown = -1e30f; } for (auto& o : w.objects) { o.heat = 1e30f; o.gather_timer = 3e38f; o.mass = 0; o.inertia = 0; } }},
        {"big purchases", [](World& w) { for (auto& p : w.planes) { p.buy_item = 200; p.resources[0] = 4000000000u; p.resources[1] = 4000000000u; } w.rules.turret_cost = 4000000000u; }},
    };
    for (auto c : cases) {
        World w = lively_world();
        c.spoil(w);
        for (int i = 0; i < 240; ++i) {
            step_world(w);
            ASSERT_LE(w.shot_count, static_cast<uint64_t>(MAX_SHOTS)) << c.what;
            ASSERT_LE(w.event_count, static_cast<uint64_t>(MAX_EVENTS)) << c.what;
        }
    }
}

// The planes fly before their hooks are updated, so the rope pulls on where
// the plane is after its move. A rope exactly taut (length = nose to anchor)
// and a plane flying away at 60 wu/s: the move stretches it by 0.5, so
// j = (0.5 * 30 + 60 * 4) / 120 = 2.125 slows the plane to 57.875 in the
// same tick (the other order would find the rope slack and pull nothing).
TEST(Step, PlanesFlyBeforeTheRopePulls) {
    World w = empty_world();
    const int k = add_object(w, make_collector({1200, 500}, 0.0f, w.rules));
    Plane& p = live_plane(w, 0, {1000, w.objects[k].pos.y}, 0.0f);
    p.vel = {-60, 0};
    p.hook_out = true;
    p.hook_state = HOOK_ATTACHED;
    p.hook_object = static_cast<uint8_t>(k);
    p.hook_anchor = {0, 0};
    p.rope_length = w.objects[k].pos.x - (p.pos.x + 14.0f);
    const float x0 = w.objects[k].pos.x;
    step_world(w);
    EXPECT_NEAR(w.planes[0].vel.x, -57.875f, 1e-3f);
    EXPECT_NEAR(w.objects[k].vel.x, -2.125f / COLLECTOR_MASS, 1e-3f);
    // The hooks come before the objects move: the collector moves with the pull in the same tick.
    EXPECT_NEAR(w.objects[k].pos.x, x0 - 2.125f / COLLECTOR_MASS * TICK, 1e-3f);
}

// Shots fly before the planes' contacts are resolved: a plane with 4 health
// that a shot reaches in the same tick as it crashes into a block at 160
// wu/s (4 damage) is destroyed by the shot, and being destroyed it no
// longer pushes the block; the other order would let the crash destroy it
// and the shot fly on through.
TEST(Step, ShotsHitBeforeThePlanesCrash) {
    World w = empty_world();
    const Vec2 square[4] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
    const int k = add_object(w, placed(square, 4, {1037, 1000}, 0.0f, OBJECT_COLLECTOR, NONE));
    Plane& p = live_plane(w, 0, {1000, 1000}, 0.0f);
    p.vel = {160, 0};
    p.health = 4;
    Shot& s = w.shots[w.shot_count++];
    s = Shot{};
    s.pos = {1001, 1000};  // inside the plane once it has moved
    s.vel = {900, 0};
    s.damage = w.rules.shot_damage;
    s.owner = 1;
    step_world(w);
    EXPECT_TRUE(w.planes[0].dead);
    EXPECT_EQ(w.shot_count, 0u) << "the shot hit";
    EXPECT_EQ(w.objects[k].vel, (Vec2{0, 0})) << "no crash";
}

// Objects meet each other before they meet the bodies: a block falling onto
// a planet at (30, 40) strikes the block beside it with the velocity it
// falls with, before the planet stops it. The struck block is pushed along
// x by more than half the closing 30 and dragged toward the planet by the
// friction, faster than gravity alone moves it; the other order would
// strike it with the velocity left after the bounce (about 13.8 along x and
// a drag away from the planet).
TEST(Step, ObjectsMeetEachOtherBeforeTheBodies) {
    const Vec2 square[4] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
    World alone = empty_world();
    add_body(alone, planet_at({1000, 1000}, 0));
    add_object(alone, placed(square, 4, {1042, 815}, 0.0f, OBJECT_COLLECTOR, NONE));
    step_world(alone);
    const Vec2 gravity_only = alone.objects[0].vel;

    World w = empty_world();
    add_body(w, planet_at({1000, 1000}, 0));
    const int a = add_object(w, placed(square, 4, {1000, 821}, 0.0f, OBJECT_COLLECTOR, NONE));  // 1 into the planet
    const int b = add_object(w, placed(square, 4, {1042, 815}, 0.0f, OBJECT_COLLECTOR, NONE));  // 2 beside it
    w.objects[a].vel = {30, 40};
    step_world(w);
    EXPECT_LT(w.objects[a].vel.y, 0.0f) << "the falling block bounced off the planet";
    EXPECT_GT(w.objects[b].vel.x, 15.0f);
    EXPECT_GT(w.objects[b].vel.y, gravity_only.y + 3.0f);
}

// The hulls of the contacts are taken after the objects have moved and
// turned: a bar 200 x 10 spinning at -12 rad/s, whose end clears a planet
// by 4.5 wu, swings 10 wu down into it within the tick (0.1 rad) and
// strikes it; hulls taken before the turn would miss it.
TEST(Step, ContactsSeeTheObjectsTurnOfTheTick) {
    World w = empty_world();
    add_body(w, planet_at({1000, 1000}, 0));  // radius 160 and a 2.5 margin
    const Vec2 bar[4] = {{-100, -5}, {100, -5}, {100, 5}, {-100, 5}};
    WorldObject o = placed(bar, 4, {1100, 828}, 0.0f, OBJECT_COLLECTOR, NONE);
    o.spin = -12.0f;
    const int k = add_object(w, o);
    step_world(w);
    EXPECT_EQ(count_events(w, EVENT_IMPACT), 1);
    EXPECT_GT(w.objects[k].spin, -6.0f) << "the blow took most of the spin";
}

// The planes' contacts come before the objects meet each other: a plane
// that strikes block A, which touches block B, sets A moving, and A
// strikes B in the same tick; the other order would find A and B at rest
// against each other and leave B still.
TEST(Step, PlanesStrikeBeforeObjectsMeet) {
    World w = empty_world();
    const Vec2 square[4] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
    const int a = add_object(w, placed(square, 4, {1037, 1000}, 0.0f, OBJECT_COLLECTOR, NONE));
    const int b = add_object(w, placed(square, 4, {1076.5f, 1000}, 0.0f, OBJECT_COLLECTOR, NONE));
    Plane& p = live_plane(w, 0, {1000, 1000}, 0.0f);
    p.vel = {160, 0};
    step_world(w);
    EXPECT_GT(w.objects[a].vel.x, 0.0f);
    EXPECT_GT(w.objects[b].vel.x, 0.0f) << "A passed the plane's push on in the same tick";
}

// The bodies' contacts come before the sun's heat: a block that strikes a
// planet at 40 wu/s in the tick the heat destroys it still strikes it (an
// impact); the other order would destroy it first.
TEST(Step, ObjectsStrikeTheBodiesBeforeTheHeatActs) {
    const Vec2 square[4] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};
    for (bool hot : {false, true}) {
        World w = empty_world();
        add_body(w, planet_at({1000, 1000}, 0));
        add_body(w, sun_at({1000, 371}));  // 450 from the block, which lies 1 into the planet
        WorldObject o = placed(square, 4, {1000, 821}, 0.0f, OBJECT_COLLECTOR, NONE);
        o.vel = {0, 40};
        o.health = 1;
        o.heat = hot ? 0.9999f : 0.0f;
        const int k = add_object(w, o);
        step_world(w);
        EXPECT_EQ(w.objects[k].destroyed, hot);
        EXPECT_EQ(count_events(w, EVENT_IMPACT), 1) << (hot ? "struck, then destroyed" : "struck");
    }
}

int first_event(const World& w, uint8_t kind) {
    for (uint64_t i = 0; i < w.event_count; ++i) {
        if (w.events[i].kind == kind) return static_cast<int>(i);
    }
    return -1;
}

// The collectors gather before the turrets fire, and the turrets fire
// before the stations work: the tick's events come in that order, and a
// turret whose upgrade finishes in the tick it fires fires a plain shot.
TEST(Step, GatheringThenTurretsThenStations) {
    World w = empty_world();
    add_body(w, planet_at({3000, 2000}, 1));
    WorldObject c = make_collector({3000, 1740}, 0.0f, w.rules);
    c.pos = {3000, 1740};  // 260 from the planet's centre: 100 above its surface
    c.vel = {-std::sqrt(250.0f * 160.0f * 160.0f / 260.0f), 0};  // the circular speed
    c.owner = 2;
    add_object(w, c);
    live_plane(w, 2, {8000, 4000});

    const int s = add_object(w, station_at({6000, 1000}, 0.0f, 1));
    WorldObject t = turret_at({6000, 1000}, 1);
    t.upgrading_station = static_cast<uint8_t>(s);
    t.upgrade_timer = w.rules.upgrade_time - TICK * 0.5f;
    t.upgrade_radius = 30;
    const int k = add_object(w, t);
    live_plane(w, 3, {6200, 1000});  // straight ahead of the turret's aim (0)

    step_world(w);
    ASSERT_EQ(count_events(w, EVENT_GATHER), 1);
    ASSERT_EQ(count_events(w, EVENT_SHOT_FIRED), 1);
    ASSERT_EQ(count_events(w, EVENT_UPGRADED), 1);
    EXPECT_LT(first_event(w, EVENT_GATHER), first_event(w, EVENT_SHOT_FIRED));
    EXPECT_LT(first_event(w, EVENT_SHOT_FIRED), first_event(w, EVENT_UPGRADED));
    EXPECT_TRUE(w.objects[k].upgraded);
    ASSERT_EQ(w.shot_count, 1u);
    EXPECT_EQ(w.shots[0].damage, w.rules.shot_damage) << "upgraded only after it fired";
}

}  // namespace
