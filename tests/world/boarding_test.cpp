#include "world/boarding.h"

#include <gtest/gtest.h>

#include "test_worlds.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

using namespace test_worlds;

struct Boarding : ::testing::Test {
    World w = empty_world();
    int vessel_a = 0, vessel_b = 0;
    void SetUp() override {
        w = empty_world();
        add_object(w, make_collector({500, 500}, 0, w.rules));  // index 0: something outside
        vessel_a = add_object(w, vessel_at({2000, 2000}, 0, 6));
        vessel_b = add_object(w, vessel_at({6000, 2000}, 1.0f, 7));
    }
    Plane& rich_plane(uint8_t slot, Vec2 pos) {
        Plane& p = live_plane(w, slot, pos);
        for (uint32_t& r : p.resources) r = 15;
        return p;
    }
};

TEST_F(Boarding, StartsInsideAnyonesVesselAndPullsTowardTheSeat) {
    Plane& p = rich_plane(2, {2030, 2010});
    end_of_round(w);
    EXPECT_EQ(p.boarding_vessel, vessel_a);
    EXPECT_EQ(p.boarding_timer, TICK) << "the first boarding tick runs at once";
    ASSERT_EQ(w.event_count, 1u);
    EXPECT_EQ(w.events[0].kind, EVENT_CATCH);
    Vec2 seat = vessel_seat(w.objects[vessel_a]);
    EXPECT_NEAR(seat.x, 1990.0f, 1e-3f);
    EXPECT_LT(p.vel.x, 0.0f);
    EXPECT_LT(p.vel.y, 0.0f);
}

// The seat is 10 wu behind the hull origin U along the vessel's heading: for a
// vessel at U = (4000, 3000) turned to (cos, sin) = (0.8, 0.6) or (-0.6, 0.8),
// (3992, 2994) or (4006, 2992). A plane 20 wu short of the seat in x and 10
// past it in y, at (5, 7) beside a vessel moving at (1, -2), is pulled by
// ((20, -10) * 3 + (4, 9) * -6) / 120 = (0.3, -0.7) in its first tick.
TEST_F(Boarding, SeatAndPullWorkedByHand) {
    struct Case {
        float angle;
        Vec2 seat;
    } cases[] = {{0.6435011f, {3992, 2994}}, {2.2142975f, {4006, 2992}}};
    for (auto c : cases) {
        SetUp();
        int v = add_object(w, vessel_at({4000, 3000}, c.angle, 6));
        w.objects[v].vel = {1, -2};
        Vec2 seat = vessel_seat(w.objects[v]);
        EXPECT_NEAR(seat.x, c.seat.x, 2e-3f) << c.angle;
        EXPECT_NEAR(seat.y, c.seat.y, 2e-3f) << c.angle;
        Plane& p = rich_plane(2, c.seat + Vec2{-20, 10});
        p.vel = {5, 7};
        end_of_round(w);
        ASSERT_EQ(p.boarding_vessel, v) << c.angle;
        EXPECT_NEAR(p.vel.x, 5.3f, 1e-4f) << c.angle;
        EXPECT_NEAR(p.vel.y, 6.3f, 1e-4f) << c.angle;
    }
}

TEST_F(Boarding, NeedsEnoughOfEveryResourceAndEndsOnLeaving) {
    Plane& p = rich_plane(2, {2030, 2010});
    p.resources[1] = 14;
    end_of_round(w);
    EXPECT_EQ(p.boarding_vessel, NONE);
    EXPECT_EQ(w.event_count, 0u);

    p.resources[1] = 15;
    end_of_round(w);
    ASSERT_EQ(p.boarding_vessel, vessel_a);
    p.pos = {2400, 2000};
    end_of_round(w);
    EXPECT_EQ(p.boarding_vessel, NONE);
    EXPECT_EQ(p.boarding_timer, 0.0f);

    // Spending below the win amount while boarding ends the boarding too.
    p.pos = {2030, 2010};
    end_of_round(w);
    ASSERT_EQ(p.boarding_vessel, vessel_a);
    p.resources[2] = 14;
    end_of_round(w);
    EXPECT_EQ(p.boarding_vessel, NONE);
    EXPECT_EQ(p.boarding_timer, 0.0f);
}

TEST_F(Boarding, OnlyAnExitVesselIsBoarded) {
    // Plane 2 carries enough and sits right on the collector at index 0,
    // which comes before both vessels.
    Plane& p = rich_plane(2, w.objects[0].pos);
    end_of_round(w);
    EXPECT_EQ(p.boarding_vessel, NONE);
    EXPECT_EQ(w.event_count, 0u);
}

// Only a live plane boards, and only a vessel that is whole and in play: a
// destroyed or freed vessel, or a dead plane, neither starts boarding nor
// keeps it up (one tick short of the win).
TEST_F(Boarding, OnlyALivePlaneBoardsAVesselInPlay) {
    struct Case {
        const char* what;
        void (*spoil)(Plane&, WorldObject&);
    } cases[] = {{"destroyed vessel", [](Plane&, WorldObject& v) { v.destroyed = true; }},
                 {"freed vessel", [](Plane&, WorldObject& v) { v.free = true; }},
                 {"dead plane", [](Plane& p, WorldObject&) { p.dead = true; }}};
    for (const Case& c : cases) {
        for (bool boarding : {false, true}) {
            SetUp();
            Plane& p = rich_plane(2, {2030, 2010});
            if (boarding) {
                p.boarding_vessel = static_cast<uint8_t>(vessel_a);
                p.boarding_timer = w.rules.boarding_time - TICK;
            }
            c.spoil(p, w.objects[vessel_a]);
            end_of_round(w);
            EXPECT_EQ(p.boarding_vessel, NONE) << c.what << (boarding ? ", boarding" : "");
            EXPECT_EQ(w.event_count, 0u) << c.what << (boarding ? ", boarding" : "");
            EXPECT_EQ(w.winner, NONE) << c.what << (boarding ? ", boarding" : "");
        }
    }
}

TEST_F(Boarding, BadVesselIndexesEndBoardingSafely) {
    for (uint8_t bad : {uint8_t{0}, uint8_t{3}, uint8_t{99}, uint8_t{254}}) {
        Plane& p = rich_plane(2, {3000, 3000});
        p.boarding_vessel = bad;
        p.boarding_timer = 4.9f;
        end_of_round(w);
        EXPECT_EQ(p.boarding_vessel, NONE) << int(bad);
        EXPECT_EQ(w.winner, NONE) << int(bad);
    }
}

TEST_F(Boarding, LowerSlotCompletingFirstWinsAndTheStepEnds) {
    Plane& low = rich_plane(1, {2030, 2000});
    Plane& high = rich_plane(4, vessel_seat(w.objects[vessel_b]));
    Plane& outside = rich_plane(6, {4000, 4000});
    Plane& inside = live_plane(w, 7, {1980, 1990});  // spared: inside the winning vessel
    int turret_inside = add_object(w, turret_at({2050, 2000}, 7));
    int turret_outside = add_object(w, turret_at({3000, 4000}, 7));
    w.shot_count = 5;
    end_of_round(w);
    ASSERT_EQ(low.boarding_vessel, vessel_a);
    ASSERT_EQ(high.boarding_vessel, vessel_b);
    low.boarding_timer = high.boarding_timer = 5.0f - TICK;
    w.event_count = 0;
    // Already destroyed or dead before the win: left as they are.
    WorldObject returning = make_collector({5000, 4000}, 0, w.rules);
    returning.destroyed = true;
    returning.respawn_timer = 2.5f;
    int collector_returning = add_object(w, returning);
    Plane& gone = live_plane(w, 3, {4500, 4500});
    gone.dead = true;
    gone.respawn_timer = 2.0f;
    gone.killer = KILL_SUN;

    end_of_round(w);
    EXPECT_EQ(w.winner, 1);
    EXPECT_EQ(w.winner_vessel, vessel_a);
    EXPECT_EQ(w.round_over_timer, 30.0f);
    ASSERT_EQ(w.event_count, 1u) << "the higher slot never started its tick";
    EXPECT_EQ(w.events[0].kind, EVENT_ROUND_WON);
    EXPECT_EQ(w.events[0].a, 1);
    EXPECT_EQ(w.events[0].pos, w.objects[vessel_a].pos);
    for (const Plane& p : w.planes) {
        EXPECT_EQ(p.boarding_vessel, p.in_use ? NONE : Plane{}.boarding_vessel);
        EXPECT_EQ(p.boarding_timer, 0.0f);
    }
    EXPECT_FALSE(low.dead);
    EXPECT_TRUE(high.dead) << "in another vessel is still left behind";
    EXPECT_EQ(high.killer, KILL_LEFT_BEHIND);
    EXPECT_EQ(high.health, 0);
    EXPECT_TRUE(outside.dead);
    EXPECT_FALSE(inside.dead);
    EXPECT_TRUE(w.objects[0].destroyed);
    EXPECT_EQ(w.objects[collector_returning].respawn_timer, 2.5f);
    EXPECT_EQ(gone.killer, KILL_SUN);
    EXPECT_EQ(gone.respawn_timer, 2.0f);
    EXPECT_TRUE(w.objects[turret_outside].free);
    EXPECT_FALSE(w.objects[turret_inside].free);
    EXPECT_FALSE(w.objects[vessel_b].free || w.objects[vessel_b].destroyed);
    EXPECT_EQ(w.shot_count, 0u);
}

TEST_F(Boarding, RoundOverCountsDownAndSeatsTheWinner) {
    Plane& p = rich_plane(3, {100, 100});
    w.winner = 3;
    w.winner_vessel = static_cast<uint8_t>(vessel_b);
    w.round_over_timer = TICK * 1.5f;
    w.objects[vessel_b].vel = {5, 6};
    end_of_round(w);
    EXPECT_EQ(p.pos, vessel_seat(w.objects[vessel_b]));
    EXPECT_EQ(p.vel, (Vec2{5, 6}));
    EXPECT_EQ(p.angle, 1.0f);
    EXPECT_EQ(p.boarding_vessel, NONE) << "no boarding while the round is over";
    end_of_round(w);
    EXPECT_EQ(w.round_over_timer, 0.0f);
}

TEST_F(Boarding, TheWinnersSeatAcrossTheSeamIsStoredWrapped) {
    // The vessel's centre of mass lies inside the field, its seat 10 wu
    // ahead of it just across the seam at x = 9600.
    int v = add_object(w, vessel_at({9611.3f, 2000}, 0.0f, 3));
    ASSERT_LT(w.objects[v].pos.x, 9600.0f);
    Vec2 seat = vessel_seat(w.objects[v]);
    ASSERT_GE(seat.x, 9600.0f);
    Plane& p = rich_plane(3, {100, 100});
    w.winner = 3;
    w.winner_vessel = static_cast<uint8_t>(v);
    w.round_over_timer = 10;
    end_of_round(w);
    EXPECT_NEAR(p.pos.x, seat.x - 9600.0f, 1e-3f);
    EXPECT_EQ(p.pos.y, seat.y);
}

TEST_F(Boarding, RoundOverWithBytesPastTheArraysOnlyCountsDown) {
    struct Case {
        uint8_t winner, vessel;
    } cases[] = {{200, 1}, {3, 200}, {3, 5}};
    for (auto c : cases) {
        SetUp();
        Plane& p = rich_plane(3, {100, 100});
        w.winner = c.winner;
        w.winner_vessel = c.vessel;
        w.round_over_timer = 1;
        end_of_round(w);
        EXPECT_EQ(p.pos, (Vec2{100, 100}));
        EXPECT_EQ(w.round_over_timer, 1 - TICK);
    }
}

}  // namespace
