#include "world/hooks.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_worlds.h"
#include "world/collision.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/random.h"
#include "world/step.h"

namespace {

using namespace test_worlds;

// The plane's own motion between hook updates, as the step would do it.
void fly(World& w, Plane& p) { p.pos = wrap(p.pos + p.vel * TICK, w.size); }

Vec2 nose(const Plane& p) { return p.pos + rotate({14, 0}, p.angle); }

TEST(Hook, FiresBackwardsFromTheNose) {
    World w = empty_world();
    Plane& p = live_plane(w, 2, {1000, 1000}, 0.0f);
    p.vel = {100, 0};
    fire_hook(w, p);
    EXPECT_TRUE(p.hook_out);
    EXPECT_EQ(p.hook_state, HOOK_FLYING);
    EXPECT_EQ(p.hook_pos, (Vec2{1014, 1000}));
    EXPECT_EQ(p.hook_vel, (Vec2{-550, 0}));
    ASSERT_EQ(w.event_count, 1u);
    EXPECT_EQ(w.events[0].kind, EVENT_HOOK_FIRED);
    EXPECT_EQ(w.events[0].pos, p.hook_pos);
}

TEST(Hook, MissGoesTetheredAtTheEndOfTheLineThenReelsBackAndStows) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {9500, 300}, 0.0f);  // the line crosses the seam
    p.vel = {-60, 0};
    fire_hook(w, p);
    int ticks = 0;
    while (p.hook_state == HOOK_FLYING && ticks < 240) {
        fly(w, p);
        update_hook(w, p);
        ++ticks;
    }
    ASSERT_EQ(p.hook_state, HOOK_TETHERED);
    EXPECT_NEAR(ticks, 320 / 650.0f * 120, 2) << "flew out at 650 wu/s relative to the plane";
    EXPECT_GE(length(wrapped_delta(nose(p), p.hook_pos, w.size)), 320.0f);

    // Tethered, it trails the plane at the end of the line, wherever it goes.
    p.vel = {200, 150};
    for (int i = 0; i < 240; ++i) {
        fly(w, p);
        update_hook(w, p);
        EXPECT_LE(length(wrapped_delta(nose(p), p.hook_pos, w.size)), 320.01f);
    }
    EXPECT_NEAR(length(wrapped_delta(nose(p), p.hook_pos, w.size)), 320.0f, 0.1f);
    EXPECT_EQ(p.hook_vel, p.vel) << "dragged along at the plane's velocity";

    p.hook_state = HOOK_REELING;
    ticks = 0;
    while (p.hook_out && ticks < 240) {
        fly(w, p);
        update_hook(w, p);
        ++ticks;
    }
    EXPECT_FALSE(p.hook_out);
    EXPECT_LT(ticks, 50) << "reels in at 900 wu/s relative to the plane";
    EXPECT_EQ(p.hook_state, 0);
    EXPECT_EQ(p.hook_pos, (Vec2{0, 0}));
    EXPECT_EQ(p.hook_vel, (Vec2{0, 0}));
    EXPECT_EQ(p.rope_length, 0.0f);
}

TEST(Hook, ReelingStowsWithinTwentySevenAndAHalfOfTheNose) {
    for (float d : {27.4f, 27.6f}) {
        World w = empty_world();
        Plane& p = live_plane(w, 0, {1000, 1000}, 0.6435011f);
        p.hook_out = true;
        p.hook_state = HOOK_REELING;
        p.hook_pos = nose(p) + Vec2{0.6f, -0.8f} * d;
        update_hook(w, p);
        EXPECT_EQ(p.hook_out, d > 27.5f) << d;
    }
}

TEST(Hook, CatchesACollectorAcrossTheSeamAndTakesItOver) {
    World w = empty_world();
    int k = add_object(w, make_collector({60, 500}, 0.0f, w.rules));
    w.objects[k].owner = 5;
    // Facing +x from just across the seam: the hook flies backwards, away from
    // the collector, so face -x instead and fire toward it.
    Plane& p = live_plane(w, 3, {9550, 505}, 3.1415927f);
    fire_hook(w, p);
    for (int i = 0; i < 30 && p.hook_state == HOOK_FLYING; ++i) update_hook(w, p);

    ASSERT_EQ(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.hook_object, k);
    EXPECT_EQ(w.objects[k].owner, 3) << "a hooked collector changes hands";
    EXPECT_LT(p.hook_pos.x, 100.0f) << "stored wrapped, on the collector";
    // The anchor is at the collector's near edge (within the hook's 2.5), in its body frame.
    Vec2 anchor_world = w.objects[k].pos + rotate(p.hook_anchor, w.objects[k].angle);
    EXPECT_NEAR(anchor_world.x, 60 - 28.05f - 1.25f, 1.3f);
    EXPECT_NEAR(p.rope_length, length(wrapped_delta(nose(p), anchor_world, w.size)), 0.01f);
    EXPECT_EQ(w.events[w.event_count - 1].kind, EVENT_CATCH);
}

// The anchor is the catch point in the object's own frame, R(-angle)(x - pos):
// turned back by R(angle) from the object's centre it is where the hook holds.
TEST(Hook, AnchorIsTheCatchPointInTheTurnedObjectsFrame) {
    for (float angle : {0.6435011f, 2.2142975f}) {
        World w = empty_world();
        int k = add_object(w, make_collector({1000, 500}, angle, w.rules));
        Plane& p = live_plane(w, 0, {1100, 503}, 0.0f);  // the hook flies back, toward -x
        fire_hook(w, p);
        for (int i = 0; i < 30 && p.hook_state == HOOK_FLYING; ++i) update_hook(w, p);
        ASSERT_EQ(p.hook_state, HOOK_ATTACHED) << angle;
        const WorldObject& o = w.objects[k];
        Vec2 held = o.pos + rotate(p.hook_anchor, o.angle);
        EXPECT_NEAR(held.x, p.hook_pos.x, 1e-3f) << angle;
        EXPECT_NEAR(held.y, p.hook_pos.y, 1e-3f) << angle;
        EXPECT_GT(length(p.hook_anchor), 5.0f) << "off the centre, so the turn matters";
    }
}

TEST(Hook, RopeLengthIsClampedAtAttachment) {
    World w = empty_world();
    int k = add_object(w, make_collector({1060, 500}, 0.0f, w.rules));
    Plane& p = live_plane(w, 0, {1040, 505}, 3.1415927f);  // nose 6 from the collector's edge
    fire_hook(w, p);
    update_hook(w, p);
    ASSERT_EQ(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.hook_object, k);
    EXPECT_EQ(p.rope_length, 40.0f);
}

// The rope is at most the 320 of the line: a hook that catches 330 from the
// nose (after a tick of the plane pulling away) ties a rope of 320.
TEST(Hook, RopeIsAtMostTheLine) {
    World w = empty_world();
    int k = add_object(w, make_collector({1346, 495}, 0.0f, w.rules));  // its left end at x = 1317.95
    Plane& p = live_plane(w, 0, {1000, 500}, 3.1415927f);             // nose at (986, 500)
    fire_hook(w, p);
    p.hook_pos = {1316, 500};
    p.hook_vel = {600, 0};
    update_hook(w, p);
    ASSERT_EQ(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.hook_object, k);
    EXPECT_EQ(p.rope_length, 320.0f);
}

// A destroyed collector waiting to return is no hold for a hook: it flies on
// to the collector behind it.
TEST(Hook, PassesDestroyedObjects) {
    World w = empty_world();
    int gone = add_object(w, make_collector({1100, 500}, 0.0f, w.rules));
    w.objects[gone].destroyed = true;
    int next = add_object(w, make_collector({1200, 500}, 0.0f, w.rules));
    Plane& p = live_plane(w, 1, {1000, 500}, 3.1415927f);
    fire_hook(w, p);
    for (int i = 0; i < 40 && p.hook_state == HOOK_FLYING; ++i) update_hook(w, p);
    ASSERT_EQ(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.hook_object, next);
}

TEST(Hook, OnlyCollectorsChangeOwner) {
    World w = empty_world();
    int k = add_object(w, turret_at({1100, 500}, 6));
    Plane& p = live_plane(w, 1, {1000, 500}, 3.1415927f);
    fire_hook(w, p);
    for (int i = 0; i < 30 && p.hook_state == HOOK_FLYING; ++i) update_hook(w, p);
    ASSERT_EQ(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.hook_object, k);
    EXPECT_EQ(w.objects[k].owner, 6);
}

struct Towing : ::testing::Test {
    World w = empty_world();
    int k = 0;
    Plane* p = nullptr;
    void SetUp() override {
        w = empty_world();
        k = add_object(w, make_collector({1200, 500}, 0.0f, w.rules));
        p = &live_plane(w, 0, {1000, w.objects[k].pos.y}, 0.0f);
        p->hook_out = true;
        p->hook_state = HOOK_ATTACHED;
        p->hook_object = static_cast<uint8_t>(k);
        p->hook_anchor = {0, 0};  // at the centre of mass
    }
};

TEST_F(Towing, TautRopePullsBothTogetherSlackRopeDoesNothing) {
    float dist = w.objects[k].pos.x - nose(*p).x;
    p->rope_length = dist + 5;
    update_hook(w, *p);
    EXPECT_EQ(p->vel, (Vec2{0, 0}));
    EXPECT_EQ(w.objects[k].vel, (Vec2{0, 0}));

    p->rope_length = dist - 20;
    update_hook(w, *p);
    // j = 20 * 30 * dt for the plane (mass 1), j / m for the collector.
    EXPECT_NEAR(p->vel.x, 600 * TICK, 1e-3f);
    EXPECT_NEAR(w.objects[k].vel.x, -600 * TICK / COLLECTOR_MASS, 1e-2f);
    EXPECT_EQ(w.objects[k].spin, 0.0f) << "pulled through its centre of mass";
    EXPECT_EQ(p->hook_pos, w.objects[k].pos);
}

// A slack rope pulls nothing, even while plane and object drift apart: 5
// slack and a plane moving away at 50 wu/s would give 50 * 4 - 5 * 30 = 50.
TEST_F(Towing, ASlackRopePullsNothingWhileTheyDriftApart) {
    float dist = w.objects[k].pos.x - nose(*p).x;
    p->rope_length = dist + 5;
    p->vel = {-50, 0};
    update_hook(w, *p);
    EXPECT_EQ(p->vel, (Vec2{-50, 0}));
    EXPECT_EQ(w.objects[k].vel, (Vec2{0, 0}));
}

// The rope of one tick, worked by hand. Plane and object are both turned by
// 0.6435011 (cos 0.8, sin 0.6). The plane at (1000, 1000): nose (1011.2,
// 1008.4). The anchor (10, 5) turns to r = (5, 10); the object's centre sits
// at (1036.2, 1038.4), so the hook is at nose + (30, 40): c = 50, n = (0.6,
// 0.8), stretched 5 over a rope of 45. Object: velocity (4, -2), mass 0.5,
// inertia 100. Spinning at +0.5 the hook moves at (4, -2) + 0.5 (-10, 5) =
// (-1, 0.5); against the plane's (-3, 1), rel = (2, -0.5).n = 0.8 and j =
// (5 * 30 + 0.8 * 4) / 120 = 1.2766667: the plane gains n j = (0.766,
// 1.0213333), the object loses n j / 0.5 = (1.532, 2.0426667) and its spin
// grows by (5 (-0.8 j) - 10 (-0.6 j)) / 100 = 0.0255333. Spinning at -0.5:
// hook (9, -4.5), rel = 2.8, j = 1.3433333. A plane closing at (30, 40):
// rel = -50.2 and the rope pushes nothing.
TEST(Rope, WorkedCases) {
    struct Case {
        const char* what;
        float spin;
        Vec2 plane_vel;
        Vec2 plane_after, object_after;
        float spin_after;
    } cases[] = {
        {"spinning forward", 0.5f, {-3, 1}, {-2.234f, 2.0213333f}, {2.468f, -4.0426667f}, 0.5255333f},
        {"spinning backward", -0.5f, {-3, 1}, {-2.194f, 2.0746667f}, {2.388f, -4.1493333f}, -0.4731333f},
        {"plane closing in", 0.5f, {30, 40}, {30, 40}, {4, -2}, 0.5f},
    };
    for (auto c : cases) {
        World w = empty_world();
        WorldObject o = make_collector({0, 0}, 0, w.rules);
        o.pos = {1036.2f, 1038.4f};
        o.angle = 0.6435011f;
        o.vel = {4, -2};
        o.spin = c.spin;
        o.mass = 0.5f;
        o.inertia = 100;
        int k = add_object(w, o);
        Plane& p = live_plane(w, 0, {1000, 1000}, 0.6435011f);
        p.vel = c.plane_vel;
        p.hook_out = true;
        p.hook_state = HOOK_ATTACHED;
        p.hook_object = static_cast<uint8_t>(k);
        p.hook_anchor = {10, 5};
        p.rope_length = 45;
        update_hook(w, p);
        EXPECT_NEAR(p.vel.x, c.plane_after.x, 2e-4f) << c.what;
        EXPECT_NEAR(p.vel.y, c.plane_after.y, 2e-4f) << c.what;
        EXPECT_NEAR(w.objects[k].vel.x, c.object_after.x, 4e-4f) << c.what;
        EXPECT_NEAR(w.objects[k].vel.y, c.object_after.y, 4e-4f) << c.what;
        EXPECT_NEAR(w.objects[k].spin, c.spin_after, 1e-5f) << c.what;
        EXPECT_NEAR(p.hook_pos.x, 1041.2f, 1e-3f) << c.what;
        EXPECT_NEAR(p.hook_pos.y, 1048.4f, 1e-3f) << c.what;
    }
}

TEST_F(Towing, OffCentreAnchorTurnsTheObject) {
    p->hook_anchor = {0, 15};
    p->rope_length = 40;
    update_hook(w, *p);
    EXPECT_NE(w.objects[k].spin, 0.0f);
}

TEST_F(Towing, LostObjectsAndBadIndexesReelTheHookIn) {
    struct Case {
        const char* what;
        void (*spoil)(World&, Plane&);
    } cases[] = {
        {"destroyed", [](World& world, Plane&) { world.objects[0].destroyed = true; }},
        {"freed", [](World& world, Plane&) { world.objects[0].free = true; }},
        {"index past the count", [](World&, Plane& plane) { plane.hook_object = 1; }},
        {"index past the array", [](World&, Plane& plane) { plane.hook_object = 200; }},
    };
    for (auto c : cases) {
        SetUp();
        c.spoil(w, *p);
        p->rope_length = 40;
        update_hook(w, *p);
        EXPECT_EQ(p->hook_state, HOOK_REELING) << c.what;
        EXPECT_EQ(p->vel, (Vec2{0, 0})) << c.what;
    }
}

TEST(Hook, ThroughTheStepAPressCatchesAndThePlaneTowsTheCollectorAway) {
    World w = empty_world();
    int k = add_object(w, make_collector({1300, 1000}, 0.0f, w.rules));
    Plane& p = live_plane(w, 0, {1500, w.objects[k].pos.y}, 0.0f);  // facing away
    p.hook_key = true;
    step_world(w);
    EXPECT_TRUE(p.hook_out);
    p.hook_key = false;
    for (int i = 0; i < 60 && p.hook_state == HOOK_FLYING; ++i) step_world(w);
    ASSERT_EQ(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(w.objects[k].owner, 0);

    p.thrust = true;
    for (int i = 0; i < 240; ++i) step_world(w);
    EXPECT_GT(w.objects[k].vel.x, 50.0f) << "dragged along behind the plane";
    EXPECT_LE(length(wrapped_delta(nose(p), p.hook_pos, w.size)), 330.0f);

    // A fresh press reels the hook in; it lets go and is stowed.
    p.thrust = false;
    p.hook_key = true;
    step_world(w);
    EXPECT_EQ(p.hook_state, HOOK_REELING);
    p.hook_key = false;
    for (int i = 0; i < 120 && p.hook_out; ++i) step_world(w);
    EXPECT_FALSE(p.hook_out);
}

// The flying hook skips objects it cannot reach before sweeping; the catch must
// be the one a sweep against every object finds.
TEST(Hook, CatchMatchesASweepAgainstEveryObject) {
    Xoshiro256 g = seed_xoshiro(5);
    auto draw = [&](float lo, float hi) { return lo + next_float(g) * (hi - lo); };
    int caught = 0;
    for (int trial = 0; trial < 1500; ++trial) {
        World w = empty_world();
        for (int k = 0; k < 6; ++k) {
            Vec2 at{draw(9400, 9800), draw(-100, 300)};  // around the corner of the field
            w.objects[k] = k % 3 == 2 ? vessel_at(wrap(at, w.size), draw(0, 6), 0)
                                      : make_collector(wrap(at, w.size), draw(0, 6), w.rules);
            w.objects[k].pos = wrap(w.objects[k].pos, w.size);
        }
        w.object_count = 6;
        Plane& p = live_plane(w, 0, wrap({draw(9300, 9900), draw(-200, 400)}, w.size), draw(0, 6));
        p.hook_out = true;
        // Start near the rim of one object, where grazing catches happen.
        const WorldObject& target = w.objects[trial % 6];
        int far = 0;
        for (int i = 1; i < static_cast<int>(target.point_count); ++i) {
            if (length(target.points[i]) > length(target.points[far])) far = i;
        }
        Vec2 vertex = rotate(target.points[far], target.angle);
        Vec2 out = vertex / length(vertex);
        p.hook_pos = wrap(target.pos + vertex + out * draw(-3, 6) + perp(out) * draw(-3, 3), w.size);
        float speed = draw(0, 1200);
        p.hook_vel = rotate({speed, 0}, draw(0, 6.3f));

        Vec2 e = p.hook_pos;
        Vec2 move = (e + p.hook_vel * TICK) - e;
        int expect = -1;
        float best = 0;
        for (int k = 0; k < 6; ++k) {
            Vec2 hull[MAX_HULL_POINTS];
            int n = object_hull_at(w.objects[k], e + wrapped_delta(e, w.objects[k].pos, w.size), hull);
            SweepHit h = sweep_polygon(e, move, hull, n);
            if (h.hit && (expect < 0 || h.t < best)) {
                expect = k;
                best = h.t;
            }
        }
        update_hook(w, p);
        if (expect < 0) {
            EXPECT_NE(p.hook_state, HOOK_ATTACHED) << trial;
        } else {
            ++caught;
            EXPECT_EQ(p.hook_state, HOOK_ATTACHED) << trial;
            EXPECT_EQ(p.hook_object, expect) << trial;
        }
    }
    EXPECT_GT(caught, 100) << "the trials must exercise catches";
}

}  // namespace
