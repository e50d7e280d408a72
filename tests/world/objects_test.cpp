#include "world/objects.h"

#include <gtest/gtest.h>

#include "test_worlds.h"
#include "world/step.h"
#include "world/validate.h"

namespace {

using namespace test_worlds;

Plane& rich_plane(World& w, uint8_t slot, Vec2 pos) {
    Plane& p = live_plane(w, slot, pos);
    for (uint32_t& r : p.resources) r = 40;
    return p;
}

// Steps and returns the first invariant broken after a step, or null.
const char* step_checked(World& w, int ticks) {
    for (int i = 0; i < ticks; ++i) {
        step_world(w);
        if (const char* fault = validate_world(w)) return fault;
    }
    return nullptr;
}

// 320 from a planet's centre gravity is 250 * 160^2 / 320^2 = 62.5 toward it:
// one tick takes 62.5 / 120 = 0.5208333 off a collector's or turret's
// velocity along x and adds it to a station's or exit vessel's. At rest they
// get no orbit assist.
TEST(Integration, StationsAndVesselsArePushedAwayTheRestPulledIn) {
    struct Case {
        uint8_t kind;
        float vel_x;
    } cases[] = {
        {OBJECT_COLLECTOR, -0.5208333f},
        {OBJECT_TURRET, -0.5208333f},
        {OBJECT_STATION, 0.5208333f},
        {OBJECT_VESSEL, 0.5208333f},
    };
    for (auto c : cases) {
        World w = empty_world();
        add_body(w, planet_at({1000, 1000}, 0));
        WorldObject o = make_collector({0, 0}, 0.0f, w.rules);
        o.kind = c.kind;
        o.pos = {1320, 1000};
        int k = add_object(w, o);
        update_objects(w);
        EXPECT_NEAR(w.objects[k].vel.x, c.vel_x, 1e-6f) << int(c.kind);
        EXPECT_EQ(w.objects[k].vel.y, 0.0f) << int(c.kind);
        EXPECT_NEAR(w.objects[k].pos.x, 1320.0f + c.vel_x * TICK, 1e-3f) << int(c.kind);
    }
}

// A shot frees the turret that plane 0 has hooked; in the next tick plane 3
// buys a turret 5000 wu away, which takes the freed entry. The hook must have
// let go of the old turret instead of catching the new one across the field.
TEST(FreedEntry, AHookLetsGoBeforeAPurchaseReusesTheEntry) {
    World w = empty_world();
    int turret = add_object(w, turret_at({900, 1000}, 3));
    w.objects[turret].health = 10;
    Plane& p = live_plane(w, 0, {1000, 1000});
    p.hook_out = true;
    p.hook_state = HOOK_ATTACHED;
    p.hook_object = static_cast<uint8_t>(turret);
    p.hook_pos = w.objects[turret].pos;
    p.rope_length = 114;  // the nose is 114 wu from the turret: slack
    live_plane(w, 1, {3000, 4000});
    Plane& buyer = rich_plane(w, 3, {6000, 1000});
    w.shots[w.shot_count++] = Shot{{900, 980}, {0, 900}, 0, 10, 1};

    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_TRUE(w.objects[turret].free);
    EXPECT_EQ(p.hook_state, HOOK_REELING);

    buyer.buy_item = ITEM_TURRET;
    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_FALSE(w.objects[turret].free) << "the purchase took the freed entry";
    EXPECT_NEAR(w.objects[turret].pos.x, 5960.0f, 2.0f);
    ASSERT_STREQ(step_checked(w, 3), nullptr);
    EXPECT_NE(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.vel, (Vec2{0, 0})) << "no rope pulls the plane across the field";
    EXPECT_EQ(w.objects[turret].vel, (Vec2{0, 0}));
}

// A win destroys the station outside the winning vessel while the collector it
// holds sits inside and is spared; in the next tick a plane that was spared
// too buys a station, which takes the freed entry. The collector must have
// been let go instead of being pulled to the new station.
TEST(FreedEntry, AStationLinkLetsGoBeforeAPurchaseReusesTheEntry) {
    World w = empty_world();
    int vessel = add_object(w, vessel_at({2000, 2000}, 0.0f, 2));
    int station = add_object(w, station_at({2180, 2000}, PI, 4));  // its hull lies beyond the vessel's bow
    int collector = add_object(w, make_collector({2110, 1994}, 0.0f, w.rules));
    WorldObject& c = w.objects[collector];
    c.upgrading_station = static_cast<uint8_t>(station);
    c.upgrade_timer = 1;
    c.upgrade_radius = 80;  // beyond its distance of 70: the spring is slack
    Plane& winner = rich_plane(w, 2, {1990, 2000});
    winner.boarding_vessel = static_cast<uint8_t>(vessel);
    winner.boarding_timer = w.rules.boarding_time - 0.5f * TICK;
    live_plane(w, 4, {7000, 4000});
    Plane& buyer = rich_plane(w, 3, {1900, 2000});  // inside the vessel, facing its bow

    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_EQ(w.winner, 2);
    ASSERT_TRUE(w.objects[station].free);
    ASSERT_FALSE(c.destroyed);
    EXPECT_EQ(c.upgrading_station, NONE);
    EXPECT_EQ(c.upgrade_timer, 0.0f);

    buyer.buy_item = ITEM_UPGRADE_STATION;
    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_EQ(w.objects[station].kind, OBJECT_STATION);
    ASSERT_FALSE(w.objects[station].free) << "the purchase took the freed entry";
    ASSERT_STREQ(step_checked(w, 3), nullptr);
    EXPECT_EQ(c.upgrading_station, NONE);
    EXPECT_EQ(c.vel, (Vec2{0, 0})) << "nothing pulls the collector toward the new station";
}

}  // namespace
