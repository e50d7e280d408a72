// What a bot chooses to do, read off small worlds built by hand: when it
// boards or buys a vessel, buys a station, fights, rests, and which
// collectors it leaves alone; and what it reads off the world to decide.
#include "bots/plans.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "bots/bot.h"
#include "bots/sight.h"
#include "world/test_worlds.h"

using namespace test_worlds;

namespace {

// A collector at rest, 1000 east of the bot's plane at (2000, 2000), with a
// planet far off to tow it to.
struct TowWorld {
    World w = empty_world();
    int k = -1;
    TowWorld() {
        add_body(w, planet_at({6000, 4000}, 1));
        live_plane(w, 0, {2000, 2000});
        k = add_object(w, make_collector({3000, 2000}, 0.3f, w.rules));
    }
};

Bot chosen(const World& w, BotSkill skill, Bot b = make_bot(0, BotSkill::Normal, 1)) {
    b.skill = skill;
    choose_goal(b, w);
    return b;
}

void set_resources(Plane& p, uint32_t a, uint32_t b, uint32_t c) {
    p.resources[0] = a;
    p.resources[1] = b;
    p.resources[2] = c;
}

}  // namespace

TEST(BotPlans, TowsIntoOrbitAt330FromAPlanetAnd730FromTheSun) {
    EXPECT_FLOAT_EQ(tow_orbit_radius(planet_at({0, 0}, 0)), 330.0f);
    EXPECT_FLOAT_EQ(tow_orbit_radius(sun_at({0, 0})), 730.0f);
}

// Carrying 15 of each, a bot boards an exit vessel within 1500 wu; further
// away it buys its own when it has the vessel's 50 sun resource (where it
// is), else it goes to the far one anyway.
TEST(BotPlans, BoardsANearVesselOrBuysItsOwn) {
    struct Case {
        float distance;
        uint32_t sun;
        uint8_t goal;
    } cases[] = {{1400, 50, GOAL_BOARD}, {1600, 50, GOAL_BUY_VESSEL}, {1600, 49, GOAL_BOARD}};
    for (const Case& c : cases) {
        World w = empty_world();
        const int v = add_object(w, vessel_at({5000, 3000}, 0.4f, 1));
        Plane& p = live_plane(w, 0, w.objects[v].pos + Vec2{0.6f, -0.8f} * c.distance);
        set_resources(p, 15, 15, 15);
        p.sun_resource = c.sun;
        const Bot b = chosen(w, BotSkill::Normal);
        EXPECT_EQ(b.goal, c.goal) << c.distance << " away, sun " << c.sun;
        if (c.goal == GOAL_BOARD) {
            EXPECT_EQ(b.target, v);
        }
        if (c.goal == GOAL_BUY_VESSEL) {
            EXPECT_EQ(b.spot, p.pos);
        }
    }
}

// Exactly the win amount of each resource is enough to board; exactly the
// vessel's price is enough to buy one.
TEST(BotPlans, GoalsHoldWhileTheirPriceIsThere) {
    World w = empty_world();
    const int v = add_object(w, vessel_at({5000, 3000}, 0.4f, 1));
    Plane& p = live_plane(w, 0, {3000, 3000});
    set_resources(p, 15, 15, 15);
    p.sun_resource = 50;
    Bot b = make_bot(0, BotSkill::Normal, 1);
    b.goal = GOAL_BOARD;
    b.target = static_cast<uint8_t>(v);
    EXPECT_TRUE(goal_valid(b, w));
    EXPECT_TRUE(carries_enough(p, w.rules));
    set_resources(p, 15, 14, 15);
    EXPECT_FALSE(goal_valid(b, w));
    b.goal = GOAL_BUY_VESSEL;
    EXPECT_TRUE(goal_valid(b, w));
    p.sun_resource = 49;
    EXPECT_FALSE(goal_valid(b, w));
}

// Normal and hard bots go after a player who is boarding, wherever it is;
// an easy bot does not.
TEST(BotPlans, OnlyNormalAndHardBotsChaseABoarder) {
    TowWorld t;
    live_plane(t.w, 3, {5000, 4000}).boarding_vessel = 0;  // beyond every fight range
    EXPECT_EQ(chosen(t.w, BotSkill::Normal).goal, GOAL_FIGHT);
    EXPECT_EQ(chosen(t.w, BotSkill::Normal).target, 3);
    EXPECT_EQ(chosen(t.w, BotSkill::Hard).goal, GOAL_FIGHT);
    EXPECT_EQ(chosen(t.w, BotSkill::Easy).goal, GOAL_TOW);
}

// A station is bought while the bot still wants sun resource (there is a
// sun, less than the vessel's 50) and has the station's 20 of each, plus 15
// of each for an easy bot; it is bought at the nearest open grid point.
TEST(BotPlans, BuysAStationWhenItWantsSunResourceAndCanPayWithItsReserve) {
    struct Case {
        BotSkill skill;
        uint32_t each;
        bool sun;
        bool buys;
    } cases[] = {
        {BotSkill::Normal, 20, true, true},  {BotSkill::Normal, 19, true, false},
        {BotSkill::Normal, 20, false, false}, {BotSkill::Easy, 20, true, false},
        {BotSkill::Easy, 34, true, false},   {BotSkill::Easy, 35, true, true},
    };
    for (const Case& c : cases) {
        World w = empty_world();
        if (c.sun) add_body(w, sun_at({8000, 800}));
        Plane& p = live_plane(w, 0, {2000, 2000});
        set_resources(p, c.each, c.each, c.each);
        const Bot b = chosen(w, c.skill);
        EXPECT_EQ(b.goal == GOAL_BUY_STATION, c.buys) << skill_name(c.skill) << " " << c.each << (c.sun ? " sun" : "");
        if (c.buys) {
            EXPECT_EQ(b.spot, open_space_near(w, p.pos));
        }
    }
}

// A bot with a third of its health or less (50 of 150) picks no fight; a
// destroyed plane is never fought.
TEST(BotPlans, PicksNoFightWhenWeakOrWithTheDead) {
    // A hard bot fights when its draw is under 0.8: find a seed where it is.
    Bot b = make_bot(0, BotSkill::Hard, 1);
    while (bot_draw(b, 1) >= 0.8f) ++b.seed;
    TowWorld t;
    live_plane(t.w, 2, {2300, 2200});  // 360 away: within 650
    Plane& p = t.w.planes[0];
    p.health = 51;
    EXPECT_EQ(chosen(t.w, BotSkill::Hard, b).goal, GOAL_FIGHT);
    p.health = 50;
    EXPECT_EQ(chosen(t.w, BotSkill::Hard, b).goal, GOAL_TOW);
    p.health = 150;
    t.w.planes[2].dead = true;
    EXPECT_EQ(chosen(t.w, BotSkill::Hard, b).goal, GOAL_TOW);
}

TEST(BotPlans, RestsUntilItsRestIsOver) {
    TowWorld t;
    Bot b = make_bot(0, BotSkill::Easy, 1);
    b.ticks = 100;
    b.rest_until = 101;
    EXPECT_EQ(chosen(t.w, BotSkill::Easy, b).goal, GOAL_NONE);
    b.rest_until = 100;
    EXPECT_EQ(chosen(t.w, BotSkill::Easy, b).goal, GOAL_TOW);
}

// The only collector is left alone when a station is upgrading it, when it
// hangs on another player's hook, or (for an easy bot) when someone else
// owns it; a hook still flying at it holds nothing.
TEST(BotPlans, LeavesAloneCollectorsThatAreNotToBeHad) {
    struct Case {
        const char* what;
        BotSkill skill;
        void (*set)(World& w, int k);
        bool taken;
    } cases[] = {
        {"free", BotSkill::Normal, [](World&, int) {}, true},
        {"in a station", BotSkill::Normal, [](World& w, int k) { w.objects[k].upgrading_station = 5; }, false},
        {"on a hook", BotSkill::Normal,
         [](World& w, int k) {
             Plane& o = live_plane(w, 4, {7000, 500});
             o.hook_out = true;
             o.hook_state = HOOK_ATTACHED;
             o.hook_object = static_cast<uint8_t>(k);
         },
         false},
        {"a hook flying at it", BotSkill::Normal,
         [](World& w, int k) {
             Plane& o = live_plane(w, 4, {7000, 500});
             o.hook_out = true;
             o.hook_state = HOOK_FLYING;
             o.hook_object = static_cast<uint8_t>(k);
         },
         true},
        {"owned, normal", BotSkill::Normal, [](World& w, int k) { w.objects[k].owner = 4; }, true},
        {"owned, easy", BotSkill::Easy, [](World& w, int k) { w.objects[k].owner = 4; }, false},
    };
    for (const Case& c : cases) {
        TowWorld t;
        c.set(t.w, t.k);
        const Bot b = chosen(t.w, c.skill);
        EXPECT_EQ(b.goal == GOAL_TOW && b.target == t.k, c.taken) << c.what;
    }
}

// Before it has a station a bot wants the station's 20 on top of the 15 that
// win; with one, only what wins.
TEST(BotSight, ResourceNeedsCountTheStationUntilItIsThere) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {0, 0});
    set_resources(p, 3, 20, 40);
    uint32_t need[RESOURCE_KINDS];
    resource_needs(w, 0, false, need);
    EXPECT_EQ(need[0], 32u);
    EXPECT_EQ(need[1], 15u);
    EXPECT_EQ(need[2], 0u);
    resource_needs(w, 0, true, need);
    EXPECT_EQ(need[0], 12u);
    EXPECT_EQ(need[1], 0u);
    EXPECT_EQ(need[2], 0u);
}

TEST(BotSight, TheNearestVesselCounts) {
    World w = empty_world();
    add_object(w, vessel_at({3000, 3000}, 0.0f, 1));
    const int near = add_object(w, vessel_at({1500, 1000}, 2.0f, 2));
    add_object(w, vessel_at({2200, 1800}, 1.0f, 3));
    EXPECT_EQ(nearest_vessel(w, {1000, 800}), near);
}

// A purchase is made at the grid point (24 x 14 over the field) nearest to
// the plane that lies more than 250 wu beyond every body's gravity range
// (a planet's: 1100). From (5400, 3600) with a planet at (4800, 2700) the
// nearest point (5400, 3664.29) is 1135.7 from the planet: too near; the
// next, (5800, 3664.29), is 1389.2 away.
TEST(BotSight, OpenSpaceLiesBeyondEveryBodysPullAndItsMargin) {
    World w = empty_world();
    add_body(w, planet_at({4800, 2700}, 0));
    const Vec2 q = open_space_near(w, {5400, 3600});
    EXPECT_NEAR(q.x, 5800.0f, 0.01f);
    EXPECT_NEAR(q.y, 3664.2857f, 0.01f);
}

TEST(BotSkills, AnUnknownSkillPlaysAsNormal) {
    EXPECT_STREQ(skill_name(static_cast<BotSkill>(7)), "normal");
    EXPECT_EQ(skill_traits(static_cast<BotSkill>(7)).reaction_ticks, skill_traits(BotSkill::Normal).reaction_ticks);
}

// A normal bot keeps up to four collectors gathering at one planet: with
// four of its own there it leaves another player's collector at that planet
// alone; with three it takes it.
TEST(BotPlans, TakesNoMoreCollectorsToAPlanetThanItsSkillKeeps) {
    for (int own : {3, 4}) {
        World w = empty_world();
        add_body(w, planet_at({4000, 2500}, 1));
        live_plane(w, 0, {1500, 1000});
        live_plane(w, 5, {8000, 800});
        int theirs = -1;
        for (int i = 0; i <= own; ++i) {
            const float a = 0.5f + 1.2f * static_cast<float>(i);
            WorldObject c = make_collector({0, 0}, 0.0f, w.rules);
            c.pos = Vec2{4000, 2500} + Vec2{std::cos(a), std::sin(a)} * 330.0f;
            c.vel = Vec2{-std::sin(a), std::cos(a)} * 139.262f;  // gathering
            c.owner = i < own ? 0 : 5;
            theirs = add_object(w, c);
        }
        const Bot b = chosen(w, BotSkill::Normal);
        EXPECT_EQ(b.goal == GOAL_TOW && b.target == theirs, own == 3) << own << " of its own there";
    }
}
