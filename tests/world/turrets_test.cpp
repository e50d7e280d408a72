#include "world/turrets.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_worlds.h"
#include "world/fmath.h"
#include "world/geometry.h"

namespace {

using namespace test_worlds;

struct Turret : ::testing::Test {
    World w = empty_world();
    int t = 0;
    void SetUp() override {
        t = add_object(w, turret_at({2000, 2000}, 1));
        w.objects[t].turret_aim = 0;
    }
    WorldObject& turret() { return w.objects[t]; }
};

TEST_F(Turret, IgnoresItsOwnerTheDeadAndPlanesOutOfRange) {
    live_plane(w, 1, {2100, 2000});                 // owner
    live_plane(w, 2, {2000, 2100}).dead = true;     // dead
    live_plane(w, 3, {2000 - 550, 2000});           // at the range
    live_plane(w, 4, {2000, 2000 - 100}).in_use = false;
    for (int i = 0; i < 240; ++i) update_turrets(w);
    EXPECT_EQ(turret().turret_aim, 0.0f) << "never turned";
    EXPECT_EQ(w.shot_count, 0u);
}

TEST_F(Turret, TurnsAtItsRateAndHoldsFireWhileOffTarget) {
    live_plane(w, 0, {2000, 2300});  // straight below: bearing pi/2
    update_turrets(w);
    EXPECT_NEAR(turret().turret_aim, 3.0f * TICK, 1e-6f);
    EXPECT_EQ(w.shot_count, 0u);

    int ticks = 1;
    while (w.shot_count == 0 && ticks < 240) {
        update_turrets(w);
        ++ticks;
    }
    ASSERT_EQ(w.shot_count, 1u);
    // It fires on the first tick that leaves less than 0.08 rad to turn.
    float remaining = 1.5707964f - turret().turret_aim;
    EXPECT_LT(remaining, 0.08f);
    EXPECT_GE(remaining + 3.0f * TICK, 0.08f);
    EXPECT_EQ(turret().turret_cooldown, 0.4f);
}

// One turn step, by hand: the signed angle to the target, clamped to the
// 3 rad/s * dt = 0.025 of a tick, then wrapped into [0, 2pi). A target at
// bearing -0.5 (that is, 2pi - 0.5) seen from aim 0.05 or 0.01 is turned to
// clockwise, across 0; one 0.01 away is reached in the step and fired at.
TEST_F(Turret, TurnStepIsClampedSignedAndWrapped) {
    struct Case {
        float aim, bearing, after;
        bool fires;
    } cases[] = {
        {0.05f, -0.5f, 0.025f, false},
        {0.01f, -0.5f, 6.2831855f - 0.015f, false},
        {6.2f, 0.3f, 6.225f, false},
        {1.0f, 1.01f, 1.01f, true},
    };
    for (auto c : cases) {
        SetUp();
        w.objects[t].turret_aim = c.aim;
        live_plane(w, 0, Vec2{2000, 2000} + Vec2{std::cos(c.bearing), std::sin(c.bearing)} * 300.0f);
        update_turrets(w);
        EXPECT_NEAR(turret().turret_aim, c.after, 2e-6f) << c.aim << " to " << c.bearing;
        EXPECT_EQ(w.shot_count, c.fires ? 1u : 0u) << c.aim << " to " << c.bearing;
    }
}

TEST_F(Turret, LeadsAMovingTargetAndFiresAsItsOwner) {
    Plane& p = live_plane(w, 5, {2300, 2000});
    p.vel = {0, 200};
    turret().turret_aim = 0.2f;
    turret().vel = {10, 0};
    for (int i = 0; i < 10 && w.shot_count == 0; ++i) update_turrets(w);
    ASSERT_EQ(w.shot_count, 1u);
    // Lead: 300 away, so 1/3 s of the relative velocity (-10, 200).
    float lead = std::atan2(200.0f / 3.0f, 300.0f - 10.0f / 3.0f);
    EXPECT_NEAR(turret().turret_aim, lead, 1e-4f);
    const Shot& s = w.shots[0];
    EXPECT_EQ(s.owner, 1);
    EXPECT_EQ(s.damage, 10);
    EXPECT_NEAR(s.pos.x, 2000 + 24 * std::cos(lead), 1e-3f);
    EXPECT_NEAR(s.vel.x, 10 + 900 * std::cos(lead), 1e-2f);
    EXPECT_NEAR(s.vel.y, 900 * std::sin(lead), 1e-2f);
    ASSERT_GE(w.event_count, 1u);
    EXPECT_EQ(w.events[0].kind, EVENT_SHOT_FIRED);
    EXPECT_EQ(w.events[0].a, 1);
}

TEST_F(Turret, PicksTheNearestAndWrapsAcrossTheSeam) {
    w.objects[t].pos = {50, 2000};
    live_plane(w, 2, {50 + 400, 2000});
    live_plane(w, 3, {9600 - 200, 2000});  // 250 away through the seam
    turret().turret_aim = 3.1415927f;
    update_turrets(w);
    ASSERT_EQ(w.shot_count, 1u);
    EXPECT_LT(w.shots[0].vel.x, 0.0f);
}

TEST_F(Turret, UpgradedShotsDoDoubleDamageAndAFullShotListStillReloads) {
    live_plane(w, 0, {2300, 2000});
    turret().upgraded = true;
    update_turrets(w);
    ASSERT_EQ(w.shot_count, 1u);
    EXPECT_EQ(w.shots[0].damage, 20);

    w.shot_count = MAX_SHOTS;
    w.event_count = 0;
    turret().turret_cooldown = 0;
    update_turrets(w);
    EXPECT_EQ(w.shot_count, static_cast<uint64_t>(MAX_SHOTS));
    EXPECT_EQ(w.event_count, 0u);
    EXPECT_EQ(turret().turret_cooldown, 0.4f);
}

TEST_F(Turret, AnOwnerBytePastThePlanesOwnsNothing) {
    turret().owner = 200;
    live_plane(w, 0, {2300, 2000});
    update_turrets(w);
    ASSERT_EQ(w.shot_count, 1u);
    EXPECT_EQ(w.shots[0].owner, NONE);
    EXPECT_EQ(w.events[0].a, NONE);
}

// On target, a turret fires, then reloads for 0.4 s (48 ticks, one tick of
// cooling per tick) before its next shot.
TEST_F(Turret, ReloadsForPointFourSecondsBetweenShots) {
    live_plane(w, 0, {2000, 2300});
    turret().turret_aim = 1.5707964f;  // already on the target below
    update_turrets(w);
    ASSERT_EQ(w.shot_count, 1u);
    int ticks = 0;
    while (w.shot_count == 1 && ticks < 200) {
        update_turrets(w);
        ++ticks;
    }
    EXPECT_EQ(w.shot_count, 2u);
    EXPECT_NEAR(ticks, 48, 1);
}

// A freed entry of the object array that still says turret does nothing.
TEST_F(Turret, AFreedTurretDoesNothing) {
    live_plane(w, 0, {2000, 2300});
    turret().free = true;
    for (int i = 0; i < 120; ++i) update_turrets(w);
    EXPECT_EQ(turret().turret_aim, 0.0f);
    EXPECT_EQ(w.shot_count, 0u);
}

}  // namespace
