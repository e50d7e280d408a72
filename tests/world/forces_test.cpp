#include "world/forces.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_worlds.h"
#include "world/geometry.h"

namespace {

using namespace test_worlds;

World planet_world(Vec2 at) {
    World w = empty_world();
    add_body(w, planet_at(at, 0));
    return w;
}

TEST(Gravity, SurfaceValueInsideFadeOutsideAndNothingBeyondRange) {
    World w = planet_world({4800, 2700});
    struct Case {
        float dist, pull;
    } cases[] = {
        {80, 250},                      // inside the body: the surface value
        {160, 250},                     // surface
        {320, 62.5f},                   // inverse square, before the fade (800)
        {950, 250 * 160 * 160 / (950.0f * 950.0f) * 0.5f},  // halfway through the fade
        {1100, 0},                      // at the range
        {1500, 0},
    };
    for (auto c : cases) {
        Vec2 a = gravity(w, {4800 - c.dist, 2700});
        EXPECT_NEAR(a.x, c.pull, c.pull * 1e-5f + 1e-6f) << c.dist;
        EXPECT_EQ(a.y, 0.0f) << c.dist;
    }
    EXPECT_EQ(gravity(w, {4800, 2700}), (Vec2{0, 0})) << "no pull at the very centre";
}

TEST(Gravity, PullsThroughTheNearestCopyAndSumsBodies) {
    World w = planet_world({100, 2700});
    Vec2 a = gravity(w, {9500, 2700});  // 200 away across the seam
    EXPECT_GT(a.x, 0.0f);
    EXPECT_NEAR(a.x, 250 * 160 * 160 / 40000.0f, 1e-3f);

    add_body(w, sun_at({9500 - 600, 2700}));
    Vec2 both = gravity(w, {9500, 2700});
    EXPECT_NEAR(both.x, a.x - 110 * 380 * 380 / 360000.0f, 1e-3f);
}

TEST(OrbitAssist, LeavesACircularOrbitAlone) {
    World w = planet_world({4800, 2700});
    float dist = 300;
    float vo = circular_speed(w.bodies[0], dist);
    Vec2 f = orbit_assist(w, {4800 - dist, 2700}, {0, vo});
    EXPECT_NEAR(f.x, 0.0f, 1e-3f);
    EXPECT_NEAR(f.y, 0.0f, 1e-3f);
}

TEST(OrbitAssist, ActsOnlyInTheSpeedBandAndTheWindow) {
    World w = planet_world({4800, 2700});
    float dist = 300;
    float vo = circular_speed(w.bodies[0], dist);
    Vec2 p{4800 - dist, 2700};
    EXPECT_EQ(orbit_assist(w, p, {0, 0}), (Vec2{0, 0})) << "at rest";
    EXPECT_EQ(orbit_assist(w, p, {0, vo * 0.29f}), (Vec2{0, 0})) << "too slow";
    EXPECT_EQ(orbit_assist(w, p, {0, vo * 2.21f}), (Vec2{0, 0})) << "too fast";
    EXPECT_EQ(orbit_assist(w, {4800 - 490, 2700}, {0, 200}), (Vec2{0, 0})) << "above the window";
    EXPECT_EQ(orbit_assist(w, {4800 - 100, 2700}, {0, 200}), (Vec2{0, 0})) << "below the surface";

    // Too fast but in the band: slowed along its own direction of travel,
    // whichever way it circles.
    Vec2 cw = orbit_assist(w, p, {0, vo * 1.5f});
    Vec2 ccw = orbit_assist(w, p, {0, -vo * 1.5f});
    EXPECT_LT(cw.y, 0.0f);
    EXPECT_GT(ccw.y, 0.0f);
    EXPECT_NEAR(cw.x, 0.0f, 1e-3f);
}

TEST(OrbitAssist, DampsRadialMotionUpToTheCap) {
    World w = planet_world({4800, 2700});
    float dist = 240;  // altitude 80 of a 320 window
    float vo = circular_speed(w.bodies[0], dist);
    Vec2 p{4800 - dist, 2700};
    // A small outward drift is damped at 2.5/s.
    Vec2 small = orbit_assist(w, p, {-10, vo});
    EXPECT_NEAR(small.x, 25.0f, 1e-3f);
    // A large one is capped: (1 - 80/320) * (weight 1 * 220).
    Vec2 big = orbit_assist(w, p, {-vo, vo});
    EXPECT_NEAR(length(big), 0.75f * 220.0f, 1e-3f);
    EXPECT_GT(big.x, 0.0f);
}

// The assist at altitude 90 of a planet's 320 window (distance 250, where the
// circular speed is sqrt(250 * 160^2 / 250) = 160), worked by hand. Outward
// normal n = (0.6, -0.8), tangent t = (0.8, 0.6); the mover's velocity is
// vn n + vt t. Window factor 1 - 90/320 = 0.71875.
// - vn 20, vt 60: q = 63.2456 / 160 = 0.3952847 on the rising ramp, weight
//   (q - 0.3) / 0.2 = 0.4764235; force n (-50) + t (1.5 * 100) has length
//   158.1139 over the cap 0.71875 * 0.4764235 * 220 = 75.33447: scaled to it.
// - vn -40, vt -300 (the other way round): q = 1.8915932 on the falling ramp,
//   weight (2.2 - q) * 2 = 0.6168135; target -160; force n 100 + t (1.5 * 140)
//   of length 232.5941, capped at 97.53364.
// - vn 10, vt 150: full weight; force n (-25) + t 15 = (-3, 29), under the cap.
TEST(OrbitAssist, WorkedCases) {
    World w = planet_world({4800, 2700});
    struct Case {
        float vn, vt;
        Vec2 force;
    } cases[] = {
        {20, 60, {42.881133f, 61.939415f}},
        {-40, -300, {95.607207f, 19.289173f}},
        {10, 150, {-3, 29}},
    };
    const Vec2 n{0.6f, -0.8f}, t{0.8f, 0.6f};
    for (auto c : cases) {
        Vec2 f = orbit_assist(w, Vec2{4800, 2700} + n * 250.0f, n * c.vn + t * c.vt);
        EXPECT_NEAR(f.x, c.force.x, 2e-3f) << c.vn << ", " << c.vt;
        EXPECT_NEAR(f.y, c.force.y, 2e-3f) << c.vn << ", " << c.vt;
    }
}

}  // namespace
