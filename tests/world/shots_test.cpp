#include "world/shots.h"

#include <gtest/gtest.h>

#include <cmath>

#include "phase_calls.h"
#include "test_worlds.h"
#include "world/flight.h"
#include "world/step.h"

namespace {

using namespace test_worlds;

Shot& add_shot(World& w, Vec2 pos, Vec2 vel, uint8_t owner) {
    Shot& s = w.shots[w.shot_count++];
    s = Shot{};
    s.pos = pos;
    s.vel = vel;
    s.damage = w.rules.shot_damage;
    s.owner = owner;
    return s;
}

TEST(Shots, PointBlankShotHitsInTheTickItIsFired) {
    World w = empty_world();
    Plane& shooter = live_plane(w, 0, {1000, 1000}, 0.0f);
    shooter.fire = true;
    Plane& target = live_plane(w, 1, {1030, 1000}, 0.0f);
    step_world(w);
    EXPECT_EQ(count_events(w, EVENT_SHOT_FIRED), 1);
    EXPECT_EQ(count_events(w, EVENT_SHOT_HIT), 1);
    EXPECT_EQ(w.shot_count, 0u);
    EXPECT_EQ(target.health, w.rules.plane_health - w.rules.shot_damage);
}

TEST(Shots, TargetsByKindAndOwner) {
    Vec2 square[4] = {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}};
    struct Case {
        const char* what;
        int setup;  // 0 own plane, 1 own turret, 2 vessel, 3 shielded plane beside, 4 unshielded plane beside
        bool hit;
    } cases[] = {
        {"never the shooter's own plane", 0, false},
        {"the shooter's own turret", 1, true},
        {"exit vessels let shots through", 2, false},
        {"a shield widens the plane to a circle", 3, true},
        {"without a shield the triangle is missed", 4, false},
    };
    for (auto c : cases) {
        World w = empty_world();
        Vec2 at{2000, 2000};
        switch (c.setup) {
            case 0: live_plane(w, 3, at); break;
            case 1: add_object(w, placed(square, 4, at, 0, OBJECT_TURRET, 3)); break;
            case 2: add_object(w, vessel_at(at, 0, 1)); break;
            case 3: live_plane(w, 5, {2000, 2025}).shield = 10; break;
            case 4: live_plane(w, 5, {2000, 2025}); break;
        }
        add_shot(w, {1990, 2000}, {1200, 0}, 3);
        update_shots(w);
        EXPECT_EQ(count_events(w, EVENT_SHOT_HIT), c.hit ? 1 : 0) << c.what;
        EXPECT_EQ(w.shot_count, c.hit ? 0u : 1u) << c.what;
    }
}

TEST(Shots, EarliestHitWinsAndEqualFractionsKeepTheFirstCandidate) {
    Vec2 square[4] = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
    World w = empty_world();
    int near = add_object(w, placed(square, 4, {1006, 500}, 0, OBJECT_COLLECTOR, NONE));
    Plane& far = live_plane(w, 2, {1025, 500}, 0.0f);  // on the same step's path, further along
    add_shot(w, {990, 500}, {3600, 0}, 0);
    update_shots(w);
    EXPECT_EQ(w.objects[near].health, 50 - w.rules.shot_damage);
    EXPECT_EQ(far.health, w.rules.plane_health);

    // Starting inside a planet and an object at once: both at t = 0, the
    // object is tried first.
    World v = empty_world();
    add_body(v, planet_at({3000, 3000}, 0));
    int inside = add_object(v, placed(square, 4, {3000, 3000}, 0, OBJECT_COLLECTOR, NONE));
    add_shot(v, {3001, 3000}, {0, 0}, 0);
    update_shots(v);
    EXPECT_EQ(v.objects[inside].health, 50 - v.rules.shot_damage);
    EXPECT_EQ(count_events(v, EVENT_SHOT_HIT), 1);
}

TEST(Shots, BodyAbsorbsTheShotAtTheMidpointOfItsLastStep) {
    World w = empty_world();
    add_body(w, planet_at({1000, 1000}, 0));
    add_shot(w, {1000 - 165, 1000}, {1200, 0}, 0);
    update_shots(w);
    EXPECT_EQ(w.shot_count, 0u);
    ASSERT_EQ(w.event_count, 1u);
    EXPECT_EQ(w.events[0].kind, EVENT_SHOT_HIT);
    EXPECT_NEAR(w.events[0].pos.x, 1000 - 165 + 5.0f, 0.01f);
}

TEST(Shots, ExpireSilentlyAfterTheirLifetime) {
    World w = empty_world();
    add_shot(w, {100, 100}, {10, 0}, 0);
    int ticks = 0;
    while (w.shot_count > 0 && ticks < 200) {
        w.event_count = 0;
        update_shots(w);
        ++ticks;
        EXPECT_EQ(w.event_count, 0u);
    }
    EXPECT_NEAR(ticks, SHOT_LIFETIME * 120, 1);
}

// Shots feel gravity: 320 from a planet's centre the pull is
// 250 * 160^2 / 320^2 = 62.5, so one tick takes 62.5 / 120 off the velocity
// towards it before the shot moves.
TEST(Shots, FeelGravity) {
    World w = empty_world();
    add_body(w, planet_at({1000, 1000}, 0));
    add_shot(w, {1320, 1000}, {0, 900}, 0);
    update_shots(w);
    ASSERT_EQ(w.shot_count, 1u);
    EXPECT_NEAR(w.shots[0].vel.x, -0.5208333f, 1e-5f);
    EXPECT_EQ(w.shots[0].vel.y, 900.0f);
    EXPECT_NEAR(w.shots[0].pos.x, 1320.0f - 0.5208333f / 120, 1e-4f);
}

// A shot is gone in the tick its age reaches 0.8 s exactly; a tick earlier
// it still flies.
TEST(Shots, ExpireInTheTickTheirAgeReachesTheLifetime) {
    // The age after which one more tick lands exactly on 0.8 in float.
    const float lifetime = 0.8f;
    float before = lifetime - TICK;
    while (before + TICK > lifetime) before = std::nextafter(before, 0.0f);
    while (before + TICK < lifetime) before = std::nextafter(before, 1.0f);
    ASSERT_EQ(before + TICK, lifetime);
    float earlier = before;
    while (earlier + TICK >= lifetime) earlier = std::nextafter(earlier, 0.0f);
    struct Case {
        float age;
        uint64_t left;
    } cases[] = {{before, 0}, {earlier, 1}};
    for (const Case& c : cases) {
        World w = empty_world();
        add_shot(w, {100, 100}, {10, 0}, 0).age = c.age;
        update_shots(w);
        EXPECT_EQ(w.shot_count, c.left) << c.age;
    }
}

TEST(Shots, RemovalMovesTheLastShotIntoTheGapAndStillMovesIt) {
    Vec2 square[4] = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
    World w = empty_world();
    add_object(w, placed(square, 4, {1000, 1000}, 0, OBJECT_COLLECTOR, NONE));
    add_shot(w, {990, 1000}, {1200, 0}, 0);  // hits
    add_shot(w, {500, 500}, {120, 0}, 1);    // survives
    add_shot(w, {3000, 500}, {120, 0}, 2);   // moves into entry 0, then on
    update_shots(w);
    ASSERT_EQ(w.shot_count, 2u);
    EXPECT_EQ(w.shots[0].owner, 2);
    EXPECT_FLOAT_EQ(w.shots[0].pos.x, 3001.0f);
    EXPECT_EQ(w.shots[0].age, TICK);
    EXPECT_EQ(w.shots[1].owner, 1);
    EXPECT_FLOAT_EQ(w.shots[1].pos.x, 501.0f);
}

TEST(Shots, HitsAcrossTheSeamAndCountsFromTheWireAreClamped) {
    World w = empty_world();
    Plane& target = live_plane(w, 1, {5, 300}, 0.0f);
    add_shot(w, {9590, 300}, {1800, 0}, 0);
    update_shots(w);
    EXPECT_EQ(target.health, w.rules.plane_health - w.rules.shot_damage);

    World bad = empty_world();
    bad.shot_count = 1000;
    update_shots(bad);
    EXPECT_LE(bad.shot_count, static_cast<uint64_t>(MAX_SHOTS));
}

}  // namespace
