// Bots that play: each test gives one bot a small world and a job, drives
// it tick by tick exactly as the server does (decide, write the controls
// into the plane, step), and checks that the job gets done in a time a
// player would call reasonable.
#include <gtest/gtest.h>

#include <cmath>

#include "bots/bot.h"
#include "bots/flight.h"
#include "world/generate.h"
#include "world/step.h"
#include "world/test_worlds.h"

using namespace test_worlds;

namespace {

constexpr int SECONDS = 120;  // ticks

// Runs the bot until `done` holds or `limit` ticks have passed; the ticks
// it took, or -1.
template <typename Done>
int play(World& w, Bot& bot, int limit, Done done) {
    for (int t = 0; t < limit; ++t) {
        set_plane_input(w.planes[bot.slot], decide(bot, w));
        step_world(w);
        if (done(w)) return t + 1;
    }
    return -1;
}

}  // namespace

TEST(Bot, TowsACollectorIntoOrbitAndGathersFromThePlanet) {
    World w = empty_world();
    add_body(w, planet_at({3000, 2700}, 1));
    // At rest beyond the planet's pull: it stays put until someone tows it.
    const int k = add_object(w, make_collector({4300, 2600}, 0.3f, w.rules));
    live_plane(w, 0, {4700, 3000}, SPAWN_ANGLE);
    Bot bot = make_bot(0, BotSkill::Normal, 7);

    const int ticks = play(w, bot, 90 * SECONDS, [](const World& x) { return x.planes[0].resources[1] > 0; });
    ASSERT_GT(ticks, 0) << "no resource gathered in 90 s";
    EXPECT_EQ(w.objects[k].owner, 0);
    EXPECT_FALSE(w.planes[0].dead);
    // It let go: the collector gathers on its own and keeps gathering.
    play(w, bot, 10 * SECONDS, [](const World&) { return false; });
    EXPECT_GE(w.planes[0].resources[1], 4u);
}

TEST(Bot, BuysAnExitVesselBoardsItAndWins) {
    World w = empty_world();
    add_body(w, sun_at({1500, 1500}));
    add_body(w, planet_at({7000, 4000}, 0));
    Plane& p = live_plane(w, 2, {5000, 2000}, 1.0f);
    p.vel = {120, -60};
    for (uint32_t& r : p.resources) r = w.rules.win_amount;
    p.sun_resource = w.rules.exit_vessel_cost;
    Bot bot = make_bot(2, BotSkill::Easy, 3);

    const int ticks = play(w, bot, 40 * SECONDS, [](const World& x) { return x.winner != NONE; });
    ASSERT_GT(ticks, 0) << "no win in 40 s";
    EXPECT_EQ(w.winner, 2);
    EXPECT_EQ(w.objects[w.winner_vessel].owner, 2);
}

TEST(Bot, ChasesAndShootsAPlayerWhoIsBoarding) {
    World w = empty_world();
    add_body(w, planet_at({7000, 4000}, 0));
    Plane& other = live_plane(w, 1, {3000, 2000});
    other.boarding_vessel = 0;  // the bot sees it boarding; the step would end it, so it is kept up by hand
    live_plane(w, 0, {3500, 2300});
    Bot bot = make_bot(0, BotSkill::Hard, 11);
    const int ticks = play(w, bot, 20 * SECONDS, [](World& x) {
        x.planes[1].boarding_vessel = 0;
        x.planes[1].vel = {0, 0};
        return x.planes[1].health < x.rules.plane_health;
    });
    EXPECT_GT(ticks, 0) << "the boarding player was never hit";
}

// The bots of every skill keep clear of the sun: a plane dropped near it with
// nothing to do flies out of its heat instead of burning.
TEST(Bot, LeavesTheSunsHeat) {
    for (BotSkill skill : {BotSkill::Easy, BotSkill::Normal, BotSkill::Hard}) {
        World w = empty_world();
        add_body(w, sun_at({4800, 2700}));
        Plane& p = live_plane(w, 0, {4800 + 700, 2700}, 0.0f);
        p.vel = {-150, 80};  // heading in
        Bot bot = make_bot(0, skill, 5);
        play(w, bot, 30 * SECONDS, [](const World&) { return false; });
        EXPECT_FALSE(w.planes[0].dead) << skill_name(skill);
        EXPECT_EQ(w.planes[0].health, w.rules.plane_health) << skill_name(skill);
    }
}

TEST(Skills, NamesReadBack) {
    for (BotSkill skill : {BotSkill::Easy, BotSkill::Normal, BotSkill::Hard}) {
        BotSkill read = BotSkill::Normal;
        ASSERT_TRUE(parse_skill(skill_name(skill), read));
        EXPECT_EQ(read, skill);
    }
    BotSkill untouched = BotSkill::Hard;
    EXPECT_FALSE(parse_skill("Normal", untouched));
    EXPECT_FALSE(parse_skill("", untouched));
    EXPECT_EQ(untouched, BotSkill::Hard);
}

// The skills as the bots' table documents them, in its own units: reacts
// every 1/3, 0.12 or 0.04 s (whole ticks at 120 a second); aims up to 7, 3 or
// 1 degrees off; fights rarely, half the time or mostly, at 380, 520 or 650;
// flies at most 320, 430 or 500 wu/s; only normal and hard bots steal and
// stop boarders. An easy bot also keeps one collector at a planet, upgrades
// one for the sun, saves 15 of each beyond the station's price and rests 20 s.
TEST(Skills, PlayAsDocumented) {
    const struct {
        BotSkill skill;
        double reacts_every;
        double aim_degrees;
        float fights_min, fights_max;
        float fight_range, cruise;
        bool steals_and_stops_boarders;
    } cases[] = {
        {BotSkill::Easy, 1.0 / 3.0, 7, 0.0f, 0.25f, 380, 320, false},
        {BotSkill::Normal, 0.12, 3, 0.4f, 0.6f, 520, 430, true},
        {BotSkill::Hard, 0.04, 1, 0.75f, 1.0f, 650, 500, true},
    };
    for (const auto& c : cases) {
        const SkillTraits& t = skill_traits(c.skill);
        const char* name = skill_name(c.skill);
        EXPECT_EQ(t.reaction_ticks, static_cast<uint16_t>(std::lround(c.reacts_every * SECONDS))) << name;
        const double aim_degrees = t.aim_error * 180.0 / 3.14159265358979;
        EXPECT_LE(aim_degrees, c.aim_degrees) << name;
        EXPECT_GT(aim_degrees, c.aim_degrees - 1) << name;
        EXPECT_GE(t.aggression, c.fights_min) << name;
        EXPECT_LE(t.aggression, c.fights_max) << name;
        EXPECT_EQ(t.fight_range, c.fight_range) << name;
        EXPECT_EQ(t.cruise_speed, c.cruise) << name;
        EXPECT_EQ(t.steals, c.steals_and_stops_boarders) << name;
        EXPECT_EQ(t.chases_boarders, c.steals_and_stops_boarders) << name;
    }
    const SkillTraits& easy = skill_traits(BotSkill::Easy);
    EXPECT_EQ(easy.planet_collectors, 1);
    EXPECT_EQ(easy.sun_collectors, 1);
    EXPECT_EQ(easy.station_reserve, 15);
    EXPECT_EQ(easy.rest_ticks, 20 * SECONDS);
}
