#include "world/flight.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_worlds.h"
#include "world/geometry.h"
#include "world/random.h"
#include "world/step.h"

namespace {

using namespace test_worlds;

TEST(Flight, TurningWrapsIntoZeroToTwoPi) {
    struct Case {
        float angle;
        bool left, right;
        float expected;
    } cases[] = {
        {0.0f, true, false, wrap_angle(0.0f - TURN_PER_TICK)},
        {6.27f, false, true, wrap_angle(6.27f + TURN_PER_TICK)},
        {1.0f, true, true, (1.0f - TURN_PER_TICK) + TURN_PER_TICK},
        {2.0f, false, false, 2.0f},
    };
    for (auto c : cases) {
        World w = empty_world();
        Plane& p = live_plane(w, 0, {500, 500}, c.angle);
        p.turn_left = c.left;
        p.turn_right = c.right;
        update_live_plane(w, 0);
        EXPECT_EQ(p.angle, c.expected) << c.angle;
        EXPECT_GE(p.angle, 0.0f);
        EXPECT_LT(p.angle, TWO_PI);
    }
    EXPECT_FLOAT_EQ(wrap_angle(0.0f - TURN_PER_TICK), TWO_PI - TURN_PER_TICK);
    // 4 rad/s: one tick turns by 4 / 120.
    World w = empty_world();
    Plane& p = live_plane(w, 0, {500, 500}, 0.5f);
    p.turn_right = true;
    update_live_plane(w, 0);
    EXPECT_NEAR(p.angle, 0.5f + 4.0f / 120.0f, 1e-6f);
}

TEST(Flight, ThrustFlameAndTopSpeed) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {500, 500}, 0.0f);
    p.vel = {499, 0};
    p.thrust = true;
    update_live_plane(w, 0);
    EXPECT_FLOAT_EQ(length(p.vel), 500.0f) << "499 wu/s plus thrust ends at the top speed";
    EXPECT_FLOAT_EQ(p.flame, 1.0f / 18.0f);
    EXPECT_FLOAT_EQ(p.pos.x, 500.0f + p.vel.x * TICK);

    for (int i = 0; i < 30; ++i) update_live_plane(w, 0);
    EXPECT_EQ(p.flame, 1.0f);
    EXPECT_LE(length(p.vel), 500.0f * (1.0f + 1e-6f));

    p.thrust = false;
    update_live_plane(w, 0);
    EXPECT_FLOAT_EQ(p.flame, 1.0f - 1.0f / 48.0f);
    for (int i = 0; i < 60; ++i) update_live_plane(w, 0);
    EXPECT_EQ(p.flame, 0.0f);

    // Half a unit over the limit without thrust (pushed by a rope or a
    // contact): scaled back to 500 along its own direction.
    p.vel = {300.3f, 400.4f};
    update_live_plane(w, 0);
    EXPECT_FLOAT_EQ(p.vel.x, 300.0f);
    EXPECT_FLOAT_EQ(p.vel.y, 400.0f);
}

// A plane 260 from a planet's centre (100 above its surface, inside the orbit
// window), moving 30 outward and 150 along, heading down (+y). Gravity:
// 250 * 160^2 / 260^2 = 94.6746 toward the planet. The assist, only without
// thrust: circular speed sqrt(250 * 160^2 / 260) = 156.8929, speed ratio
// 0.975 (weight 1), force (-2.5 * 30, 1.5 * (156.8929 - 150)) = (-75, 10.3394),
// under its cap (1 - 100/320) * 220. With thrust, 3.3333335 along the heading
// instead.
TEST(Flight, GravityAlwaysTheOrbitAssistOnlyWithoutThrust) {
    struct Case {
        bool thrust;
        Vec2 vel;
    } cases[] = {{false, {30 + (-94.6746f - 75) / 120, 150 + 10.3394f / 120}},
                 {true, {30 - 94.6746f / 120, 150 + 3.3333335f}}};
    for (auto c : cases) {
        World w = empty_world();
        add_body(w, planet_at({2000, 2000}, 0));
        Plane& p = live_plane(w, 0, {2260, 2000}, 1.5707964f);
        p.vel = {30, 150};
        p.thrust = c.thrust;
        update_live_plane(w, 0);
        EXPECT_NEAR(p.vel.x, c.vel.x, 2e-4f) << c.thrust;
        EXPECT_NEAR(p.vel.y, c.vel.y, 2e-4f) << c.thrust;
    }
}

TEST(Flight, PositionWrapsAcrossTheSeam) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {9599, 1}, 0.0f);
    p.vel = {240, -240};
    update_live_plane(w, 0);
    EXPECT_FLOAT_EQ(p.pos.x, 1.0f);
    EXPECT_FLOAT_EQ(p.pos.y, 5399.0f);
}

TEST(Gun, HeldTriggerFiresAtOnceThenEveryThirteenTicks) {
    World w = empty_world();
    Plane& p = live_plane(w, 3, {500, 500}, 0.0f);
    p.fire = true;
    int fired_at[3] = {};
    int shots = 0;
    for (int tick = 1; tick <= 30 && shots < 3; ++tick) {
        w.event_count = 0;
        update_live_plane(w, 3);
        if (count_events(w, EVENT_SHOT_FIRED) == 1) fired_at[shots++] = tick;
    }
    ASSERT_EQ(shots, 3);
    EXPECT_EQ(fired_at[0], 1);
    EXPECT_EQ(fired_at[1], 14);
    EXPECT_EQ(fired_at[2], 27);
    EXPECT_EQ(w.shot_count, 3u);
    EXPECT_EQ(w.shots[0].owner, 3);
    EXPECT_EQ(w.events[0].a, 3) << "shooter slot";
}

TEST(Gun, ShotLeavesTheMuzzleAtShotSpeedWithinTheSpread) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {9590, 300}, 0.0f);  // the muzzle wraps
    p.vel = {100, 20};
    p.fire = true;
    update_live_plane(w, 0);
    ASSERT_EQ(w.shot_count, 1u);
    const Shot& s = w.shots[0];
    EXPECT_EQ(s.pos, wrap(p.pos + 14.0f * Vec2{1, 0} + 2.5f * Vec2{1, 0}, w.size));
    EXPECT_LT(s.pos.x, 100.0f);
    EXPECT_EQ(w.events[0].pos, s.pos);
    Vec2 muzzle_vel = s.vel - p.vel;
    EXPECT_NEAR(length(muzzle_vel), 900.0f, 0.01f);
    EXPECT_LE(std::fabs(std::atan2(muzzle_vel.y, muzzle_vel.x)), GUN_SPREAD + 1e-6f);
    EXPECT_EQ(s.age, 0.0f);
    EXPECT_EQ(s.damage, w.rules.shot_damage);
    EXPECT_FLOAT_EQ(p.fire_cooldown, GUN_COOLDOWN);

    // The spread is a function of the plane's state and slot: a replay agrees,
    // another slot in the same state does not.
    World replay = empty_world();
    Plane& q = live_plane(replay, 0, {9590, 300}, 0.0f);
    q.vel = {100, 20};
    q.fire = true;
    update_live_plane(replay, 0);
    EXPECT_EQ(replay.shots[0].vel, s.vel);
    World other = empty_world();
    Plane& o = live_plane(other, 5, {9590, 300}, 0.0f);
    o.vel = {100, 20};
    o.fire = true;
    update_live_plane(other, 5);
    EXPECT_NE(other.shots[0].vel, s.vel);
}

// The spread is (2u - 1) * 2 degrees, u the low 24-bit fraction of the hash
// of the plane's slot over its position, velocity and heading after it moved.
TEST(Gun, SpreadIsTheHashedFractionMappedOntoPlusMinusTwoDegrees) {
    for (uint8_t slot : {1, 6}) {
        World w = empty_world();
        Plane& p = live_plane(w, slot, {1000, 1000}, 0.6435011f);
        p.vel = {100, 20};
        p.fire = true;
        update_live_plane(w, slot);
        ASSERT_EQ(w.shot_count, 1u);
        float state[5] = {p.pos.x, p.pos.y, p.vel.x, p.vel.y, p.angle};
        float u = hash_fraction_lo(hash_draw(slot, state, sizeof state));
        double heading = 0.6435011 + (2.0 * u - 1.0) * 0.034906585;
        Vec2 d = w.shots[0].vel - p.vel;
        EXPECT_NEAR(std::atan2(d.y, d.x), heading, 2e-6) << int(slot);
    }
}

TEST(Gun, FullShotListFiresNothingButStillWaits) {
    World w = empty_world();
    w.shot_count = MAX_SHOTS;
    Plane& p = live_plane(w, 0, {500, 500}, 0.0f);
    p.fire = true;
    update_live_plane(w, 0);
    EXPECT_EQ(w.shot_count, static_cast<uint64_t>(MAX_SHOTS));
    EXPECT_EQ(count_events(w, EVENT_SHOT_FIRED), 0);
    EXPECT_FLOAT_EQ(p.fire_cooldown, GUN_COOLDOWN);
}

TEST(HookKey, FreshPressFiresThenReelsIn) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {500, 500}, 0.0f);
    p.hook_key = true;
    update_live_plane(w, 0);
    EXPECT_TRUE(p.hook_out);
    EXPECT_EQ(count_events(w, EVENT_HOOK_FIRED), 1);
    EXPECT_TRUE(p.hook_key_was_down);

    w.event_count = 0;
    update_live_plane(w, 0);  // still held: nothing new
    EXPECT_EQ(p.hook_state, HOOK_FLYING);
    EXPECT_EQ(count_events(w, EVENT_HOOK_FIRED), 0);

    p.hook_key = false;
    update_live_plane(w, 0);
    p.hook_key = true;
    update_live_plane(w, 0);
    EXPECT_EQ(p.hook_state, HOOK_REELING);
}

TEST(Flight, DeadPlaneKeepsItsPurchaseAndDoesNotFly) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {500, 500}, 0.0f);
    p.dead = true;
    p.respawn_timer = 3.0f;
    p.vel = {100, 0};
    p.buy_item = ITEM_RADAR;
    p.resources[0] = 50;
    step_world(w);
    EXPECT_EQ(p.buy_item, ITEM_RADAR);
    EXPECT_EQ(p.pos, (Vec2{500, 500}));
    EXPECT_FALSE(p.has_radar);
}

}  // namespace
