// The visual effect lists: exhaust timing, break-ups, wrecks and ropes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "render/effects.h"
#include "screenshots/scenes.h"

namespace {

struct Fixture {
    std::unique_ptr<EffectLists> fx = std::make_unique<EffectLists>();
    World world{};

    void tick(int n = 1) {
        for (int i = 0; i < n; ++i) advance_effects(*fx, world, nullptr);
    }
};

TEST(Effects, ExhaustStartsWithFireAndResetsWhenThrustStops) {
    Fixture f;
    f.world.planes[0] = make_scene_plane(0, {1000, 1000}, 0);
    f.world.planes[0].thrust = true;
    f.tick();
    EXPECT_EQ(f.fx->smoke_count, 0u);  // the smoke timer only reached 0.5
    EXPECT_EQ(f.fx->fire_count, 4u);   // two pairs of fire particles

    f.world.planes[0].thrust = false;
    f.tick();
    f.world.planes[0].thrust = true;
    f.tick();
    EXPECT_EQ(f.fx->smoke_count, 0u);  // the timer started again from 0
    f.tick();
    EXPECT_EQ(f.fx->smoke_count, 2u);  // one pair every second tick

    // Fire lives 0.25 s, smoke 1 s.
    f.world.planes[0].thrust = false;
    f.tick(31);
    EXPECT_EQ(f.fx->fire_count, 0u);
    EXPECT_EQ(f.fx->smoke_count, 2u);
    f.tick(90);
    EXPECT_EQ(f.fx->smoke_count, 0u);
}

TEST(Effects, ExhaustLeavesFromTheRearCornersOfTheDrawnPlane) {
    Fixture f;
    f.world.planes[2] = make_scene_plane(2, {1000, 1000}, 0);
    f.world.planes[2].thrust = true;
    Vec2 offsets[MAX_PLANES] = {};
    offsets[2] = {5, -3};
    advance_effects(*f.fx, f.world, offsets);
    ASSERT_EQ(f.fx->fire_count, 4u);
    // Position - 10 dir + 11 perp; a particle first moves in the next tick.
    const ExhaustParticle& p = f.fx->fire[0];
    EXPECT_NEAR(p.pos.x, 1000 + 5 - 10, 1e-3f);
    EXPECT_NEAR(p.pos.y, 1000 - 3 + 11, 1e-3f);
}

TEST(Effects, APlaneThatDiesBreaksUpOnce) {
    Fixture f;
    f.world.planes[1] = make_scene_plane(1, {200, 300}, 0);
    f.tick();
    f.world.planes[1].dead = true;
    f.tick();
    ASSERT_EQ(f.fx->wreck_count, 1u);
    EXPECT_EQ(f.fx->wrecks[0].piece_count, 2u);
    EXPECT_EQ(f.fx->wrecks[0].color.g, 1.0f);  // player 2's green
    EXPECT_EQ(f.fx->spark_count, 48u);
    EXPECT_EQ(f.fx->breakup_smoke_count, 16u);
    ASSERT_EQ(f.fx->explosion_count, 1u);
    EXPECT_NEAR(f.fx->explosions[0].x, 200, 1e-3f);
    f.tick();
    EXPECT_EQ(f.fx->wreck_count, 1u);  // still dead: no second break-up
    EXPECT_EQ(f.fx->explosion_count, 0u);
    f.tick(150);
    EXPECT_EQ(f.fx->wreck_count, 0u);  // wrecks last 1.2 s
}

TEST(Effects, AWorldThatArrivesWithWrecksBreaksNothingUp) {
    Fixture f;
    f.world.planes[0] = make_scene_plane(0, {200, 300}, 0);
    f.world.planes[0].dead = true;
    add_object(f.world, make_scene_collector({500, 500}, 0, false));
    f.world.objects[0].destroyed = true;
    f.tick();
    EXPECT_EQ(f.fx->wreck_count, 0u);
    EXPECT_EQ(f.fx->spark_count, 0u);
}

TEST(Effects, DestroyedObjectsBreakUpExceptExitVessels) {
    Fixture f;
    add_object(f.world, make_scene_vessel({3000, 3000}, 0));
    add_object(f.world, make_scene_turret({1000, 1000}, 0.5f));
    f.tick();
    f.world.objects[0].destroyed = true;
    f.tick();
    EXPECT_EQ(f.fx->wreck_count, 0u);
    EXPECT_EQ(f.fx->spark_count, 0u);
    EXPECT_EQ(f.fx->breakup_smoke_count, 0u);

    f.world.objects[1].free = true;
    f.tick();
    ASSERT_EQ(f.fx->wreck_count, 1u);
    EXPECT_EQ(f.fx->wrecks[0].piece_count, 6u);  // the barrel and five hull edges
    const WreckPiece& barrel = f.fx->wrecks[0].pieces[0];
    float half = std::sqrt(barrel.half.x * barrel.half.x + barrel.half.y * barrel.half.y);
    EXPECT_NEAR(half, 12, 1e-3f);
}

TEST(Effects, MoreBreakUpsThanWrecksReplaceTheOldest) {
    Fixture f;
    for (int i = 0; i < 11; ++i) add_object(f.world, make_scene_collector({100.0f + 200 * i, 100}, 0, false));
    f.tick();
    for (int i = 0; i < 11; ++i) {
        f.world.objects[i].destroyed = true;
        f.tick();
    }
    ASSERT_EQ(f.fx->wreck_count, WRECK_CAPACITY);
    // The oldest left is the fourth collector's, a little way along its drift.
    EXPECT_NEAR(f.fx->wrecks[0].centre.x, f.world.objects[3].pos.x, 5);
    EXPECT_NEAR(f.fx->wrecks[7].centre.x, f.world.objects[10].pos.x, 5);
    EXPECT_EQ(f.fx->spark_count, SPARK_CAPACITY);  // 11 x 48 sparks do not fit in 512
}

TEST(Effects, AHookRopeRunsFromTheNoseToTheHooksNearestCopy) {
    Fixture f;
    Plane& p = f.world.planes[0];
    p = make_scene_plane(0, {9590, 2000}, 0);  // nose across the seam at x = 4
    p.hook_out = true;
    p.hook_state = HOOK_FLYING;
    p.hook_pos = {100, 2000};
    f.tick();
    const HookRope& rope = f.fx->ropes[0];
    ASSERT_TRUE(rope.active);
    EXPECT_NEAR(rope.anchor.x, 4, 1e-3f);
    EXPECT_NEAR(rope.points[0].x, 0, 1e-4f);
    EXPECT_NEAR(rope.points[ROPE_POINTS - 1].x, 96, 1e-3f);
    for (int k = 1; k < ROPE_POINTS; ++k) EXPECT_NEAR(rope.points[k].x - rope.points[k - 1].x, 96.0f / 15, 1e-3f);

    // Tethered, the rope is at least 320 long: its links grow slack.
    p.hook_state = HOOK_TETHERED;
    f.tick(4);
    float length = 0;
    for (int k = 1; k < ROPE_POINTS; ++k) {
        Vec2 d = rope.points[k] - rope.points[k - 1];
        length += std::sqrt(d.x * d.x + d.y * d.y);
    }
    EXPECT_GT(length, 96);
    EXPECT_NEAR(rope.points[ROPE_POINTS - 1].x, 96, 1e-3f);  // the ends stay pinned

    p.hook_out = false;
    f.tick();
    EXPECT_FALSE(rope.active);
}

}  // namespace
