// How a bot flies by hand: the turn to a heading, when it thrusts, the
// distances it keeps from the bodies, the velocities of an approach, an
// orbit and a retreat. Expected values are worked out from the rules:
// planet radius 160, sun radius 380, sun heat 220, braking 130 wu/s^2.
#include "bots/flight.h"

#include <gtest/gtest.h>

#include <cmath>

#include "world/test_worlds.h"

using namespace test_worlds;

namespace {

constexpr float EPS = 0.01f;

void expect_vec(Vec2 got, Vec2 want, float eps = EPS) {
    EXPECT_NEAR(got.x, want.x, eps);
    EXPECT_NEAR(got.y, want.y, eps);
}

}  // namespace

// The signed angle to a heading takes the short way round, both ways.
TEST(BotFlight, TheAngleToAHeadingTakesTheShortWay) {
    struct Case {
        float from, to, want;
    } cases[] = {
        {0.3f, -0.4f, -0.7f},
        {1.0f, 2.5f, 1.5f},
        {3.0f, -3.0f, 0.2831853f},   // -6 is +0.28 the short way
        {-3.0f, 3.0f, -0.2831853f},  // +6 is -0.28 the short way
    };
    for (const Case& c : cases) EXPECT_NEAR(angle_between(c.from, c.to), c.want, 1e-4f) << c.from << " to " << c.to;
}

// A heading more than 0.02 rad off turns the plane towards it (right to a
// greater angle, left to a smaller one); within 0.02 it holds still.
TEST(BotFlight, TurnsTowardAHeadingBeyondTheDeadBand) {
    struct Case {
        float heading;
        bool left, right;
    } cases[] = {{1.03f, false, true}, {0.97f, true, false}, {1.01f, false, false}, {0.99f, false, false}};
    Plane p{};
    p.angle = 1.0f;
    for (const Case& c : cases) {
        Steer s;
        turn_toward(p, c.heading, s);
        EXPECT_EQ(s.turn_left, c.left) << c.heading;
        EXPECT_EQ(s.turn_right, c.right) << c.heading;
    }
}

// Within 14 wu/s of the wanted velocity is near enough; beyond it the
// plane turns, and thrusts only with the nose within 0.45 rad of the
// change it needs.
TEST(BotFlight, MatchesAVelocityThrustingOnlyNearTheNeededDirection) {
    Plane p{};
    p.angle = 0.0f;
    p.vel = {100, 0};
    Steer s;
    EXPECT_FALSE(match_velocity(p, {100, 13}, s));
    EXPECT_TRUE(match_velocity(p, {100, 15}, s));
    EXPECT_TRUE(s.turn_right);
    EXPECT_FALSE(s.thrust);  // a quarter turn off

    struct Case {
        float off;
        bool thrust;
    } cones[] = {{0.4f, true}, {-0.4f, true}, {0.5f, false}, {-0.5f, false}};
    for (const Case& c : cones) {
        Steer t;
        const Vec2 want = p.vel + Vec2{50.0f * std::cos(c.off), 50.0f * std::sin(c.off)};
        ASSERT_TRUE(match_velocity(p, want, t));
        EXPECT_EQ(t.thrust, c.thrust) << c.off;
    }
}

// A planet is kept 55 wu off its surface; the sun 40 wu beyond its heat, or
// with a sun shield 40 wu off its surface.
TEST(BotFlight, SafeDistancesFromPlanetAndSun) {
    const Rules rules{};
    Plane p{};
    EXPECT_FLOAT_EQ(safe_distance(p, planet_at({0, 0}, 1), rules), 160.0f + 55.0f);
    EXPECT_FLOAT_EQ(safe_distance(p, sun_at({0, 0}), rules), 380.0f + 220.0f + 40.0f);
    p.has_sun_shield = true;
    EXPECT_FLOAT_EQ(safe_distance(p, sun_at({0, 0}), rules), 380.0f + 40.0f);
    EXPECT_FLOAT_EQ(safe_distance(p, planet_at({0, 0}, 1), rules), 160.0f + 55.0f);
}

// In open space the approach heads straight at the point, relative to the
// point's own velocity, at sqrt(2 * 130 * gap) and never above the cruise.
TEST(BotFlight, ApproachSlowsToStopAtThePointAndKeepsUnderTheCruise) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {1000, 1000});
    const Vec2 point{1300, 1400};  // 500 away along (0.6, 0.8)
    const Vec2 point_vel{20, -10};
    // Gap 500 - 100 = 400: sqrt(2 * 130 * 400) = 322.49.
    expect_vec(approach_velocity(w, p, point, point_vel, 100.0f, 500.0f), {20 + 0.6f * 322.49f, -10 + 0.8f * 322.49f});
    expect_vec(approach_velocity(w, p, point, point_vel, 100.0f, 250.0f), {20 + 150.0f, -10 + 200.0f});
    expect_vec(approach_velocity(w, p, point, point_vel, 600.0f, 250.0f), point_vel);  // inside the stop radius
}

// A body whose safe disc (plus 90) the straight way crosses bends the way
// to the disc's edge, on the side the way already passes; one off the way
// does not.
TEST(BotFlight, ApproachGoesAroundABodyInTheWay) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {1000, 2000});
    // Planet 1000 ahead, 100 to the left: clear = 215 + 90 = 305, distance
    // 1004.99, so the way (1, 0) lies within the disc's half angle
    // (cosine 0.95284 < 0.99504) and turns right by it:
    // (0.99504 * 0.95284 + 0.09950 * 0.30349, -0.99504 * 0.30349 + 0.09950 * 0.95284).
    add_body(w, planet_at({2000, 2100}, 0));
    const Vec2 v = approach_velocity(w, p, {3000, 2000}, {0, 0}, 0.0f, 100.0f);
    expect_vec(v, Vec2{0.97832f, -0.20717f} * 100.0f, 0.05f);

    // 500 to the left instead: cosine of the way 0.89443 below the disc's
    // 0.96205, so straight on.
    w.bodies[0].pos = {2000, 2500};
    expect_vec(approach_velocity(w, p, {3000, 2000}, {0, 0}, 0.0f, 100.0f), {100, 0});
}

// The orbit velocity: the circular speed of the wanted radius along the
// tangent, in the sense the plane goes (counter-clockwise from rest), plus a
// pull of 1.4 per second of the radius error, at most 180 either way.
TEST(BotFlight, OrbitVelocityCirclesAtTheWantedRadius) {
    World w = empty_world();
    add_body(w, planet_at({2000, 2000}, 0));
    const CelestialBody& b = w.bodies[0];
    // Out along (0.6, 0.8) at 300, tangent (-0.8, 0.6); circular speed at
    // 330: sqrt(250 * 160^2 / 330) = 139.262; pull (330 - 300) * 1.4 = 42.
    Plane& p = live_plane(w, 0, {2180, 2240});
    expect_vec(orbit_velocity(w, p, b, 330.0f), {-0.8f * 139.262f + 0.6f * 42, 0.6f * 139.262f + 0.8f * 42});
    p.vel = {50, -40};  // going clockwise
    expect_vec(orbit_velocity(w, p, b, 330.0f), {0.8f * 139.262f + 0.6f * 42, -0.6f * 139.262f + 0.8f * 42});
    // 100 out: (330 - 100) * 1.4 = 322 outward, held to 180.
    p.pos = {2060, 2080};
    p.vel = {0, 0};
    expect_vec(orbit_velocity(w, p, b, 330.0f), {-0.8f * 139.262f + 0.6f * 180, 0.6f * 139.262f + 0.8f * 180});
    // 600 out: (330 - 600) * 1.4 = -378 inward, held to -180.
    p.pos = {2360, 2480};
    expect_vec(orbit_velocity(w, p, b, 330.0f), {-0.8f * 139.262f - 0.6f * 180, 0.6f * 139.262f - 0.8f * 180});
}

// Keeping clear of the sun (no shield: safe distance 640): the velocity's
// part towards it is held to what 130 wu/s^2 can stop within the gap; inside,
// it turns outward at 3 wu/s per wu intruded; beyond 1000 past the safe
// distance the sun is not heeded. The tangential part is left alone.
TEST(BotFlight, KeepsClearOfTheSunsHeat) {
    World w = empty_world();
    add_body(w, sun_at({4800, 2700}));
    const Vec2 n{0.6f, 0.8f};
    const Vec2 t{-0.8f, 0.6f};
    Plane& p = live_plane(w, 0, Vec2{4800, 2700} + n * 1000.0f);
    // Gap 360: least -sqrt(2 * 130 * 360) = -305.94; the want closes at 500.
    const Vec2 want = n * -500.0f + t * 100.0f;
    expect_vec(keep_clear(w, p, want), n * -305.94f + t * 100.0f, 0.02f);
    // Gap 900: -sqrt(2 * 130 * 900) = -483.74.
    p.pos = Vec2{4800, 2700} + n * 1540.0f;
    expect_vec(keep_clear(w, p, n * -600.0f), n * -483.74f, 0.02f);
    // Gap 1100: not heeded.
    p.pos = Vec2{4800, 2700} + n * 1740.0f;
    expect_vec(keep_clear(w, p, n * -600.0f), n * -600.0f);
    // 40 inside: outward at 120.
    p.pos = Vec2{4800, 2700} + n * 600.0f;
    expect_vec(keep_clear(w, p, {0, 0}), n * 120.0f, 0.02f);
}
