#include "world/damage.h"

#include <gtest/gtest.h>

#include "test_worlds.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/stations.h"
#include "world/step.h"
#include "world/validate.h"

namespace {

using namespace test_worlds;

Shot shot(uint16_t damage, uint8_t owner) {
    Shot s{};
    s.damage = damage;
    s.owner = owner;
    return s;
}

TEST(ShotHitsPlane, ShieldStandsInFrontOfHealth) {
    struct Case {
        uint16_t shield, health, damage;
        uint16_t shield_after, health_after;
        int broke;  // -1: no shield event
        bool dead;
    } cases[] = {
        {5, 150, 10, 0, 145, 1, false},
        {10, 150, 10, 0, 150, 1, false},
        {50, 150, 10, 40, 150, 0, false},
        {0, 150, 10, 0, 140, -1, false},
        {0, 10, 10, 0, 0, -1, true},
        {0, 9, 10, 0, 0, -1, true},
        {4, 6, 10, 0, 0, 1, true},
        {4, 7, 10, 0, 1, 1, false},
    };
    for (auto c : cases) {
        World w = empty_world();
        Plane& p = live_plane(w, 3, {100, 100});
        p.shield = c.shield;
        p.health = c.health;
        shot_hits_plane(w, p, shot(c.damage, 5));
        EXPECT_EQ(p.shield, c.shield_after) << c.shield << "/" << c.health;
        EXPECT_EQ(p.health, c.health_after) << c.shield << "/" << c.health;
        EXPECT_EQ(p.dead, c.dead) << c.shield << "/" << c.health;
        if (c.dead) {
            EXPECT_EQ(p.killer, 5);
            EXPECT_EQ(p.respawn_timer, 5.0f);
        }
        if (c.broke < 0) {
            EXPECT_EQ(w.event_count, 0u);
        } else {
            ASSERT_EQ(w.event_count, 1u);
            EXPECT_EQ(w.events[0].kind, EVENT_SHIELD_HIT);
            EXPECT_EQ(w.events[0].a, 3);
            EXPECT_EQ(w.events[0].b, c.broke);
        }
    }
}

TEST(ShotHitsObject, CollectorsWaitToReturnTurretsAndStationsGoForGood) {
    World w = empty_world();
    int c = add_object(w, make_collector({100, 100}, 0, w.rules));
    int t = add_object(w, turret_at({300, 100}, 0));
    int s = add_object(w, station_at({600, 100}, 0, 0));
    int v = add_object(w, vessel_at({900, 100}, 0, 0));
    for (int k : {c, t, s, v}) {
        w.objects[k].health = 10;
        w.objects[k].upgrading_station = 7;
        w.objects[k].upgrade_timer = 2;
    }
    shot_hits_object(w, w.objects[c], shot(9, 0));
    EXPECT_EQ(w.objects[c].health, 1);
    EXPECT_FALSE(w.objects[c].destroyed);
    for (int k : {c, t, s, v}) shot_hits_object(w, w.objects[k], shot(10, 0));

    EXPECT_TRUE(w.objects[c].destroyed);
    EXPECT_FALSE(w.objects[c].free);
    EXPECT_EQ(w.objects[c].respawn_timer, 10.0f);
    EXPECT_EQ(w.objects[c].upgrading_station, NONE);
    EXPECT_TRUE(w.objects[t].free);
    EXPECT_TRUE(w.objects[s].free);
    EXPECT_EQ(w.objects[t].upgrade_timer, 0.0f);
    EXPECT_FALSE(w.objects[v].free || w.objects[v].destroyed) << "nothing damages an exit vessel";
    EXPECT_EQ(w.objects[v].health, 10);
}

TEST(Crash, DamageAboveTheCrashSpeed) {
    struct Case {
        bool planet;
        float speed;
        uint16_t health_after;
    } cases[] = {
        {false, 150, 150}, {false, 160, 146}, {true, 150, 150}, {true, 160, 142}, {true, 150.5f, 149},
    };
    for (auto c : cases) {
        World w = empty_world();
        Plane& p = live_plane(w, 0, {100, 100});
        if (c.planet) {
            plane_touches_body(w, p, planet_at({0, 0}, 0), c.speed);
        } else {
            crash_into_object(w, p, c.speed);
        }
        EXPECT_EQ(p.health, c.health_after) << c.planet << " " << c.speed;
        EXPECT_FALSE(p.dead);
    }
}

TEST(Crash, LethalCrashesNameTheirCause) {
    World w = empty_world();
    Plane& a = live_plane(w, 0, {100, 100});
    crash_into_object(w, a, 150 + 375);  // 375 * 0.4 = 150
    EXPECT_TRUE(a.dead);
    EXPECT_EQ(a.health, 0);
    EXPECT_EQ(a.killer, KILL_OBJECT);

    Plane& b = live_plane(w, 1, {100, 100});
    plane_touches_body(w, b, planet_at({0, 0}, 0), 3.0e38f);  // a huge speed never reaches an integer
    EXPECT_TRUE(b.dead);
    EXPECT_EQ(b.killer, KILL_PLANET);
}

TEST(Sun, KillsOnTouchWithoutASunShieldAtAnySpeed) {
    for (float speed : {0.0f, 10.0f, 400.0f}) {
        World w = empty_world();
        Plane& p = live_plane(w, 2, {100, 100});
        plane_touches_body(w, p, sun_at({0, 0}), speed);
        EXPECT_TRUE(p.dead) << speed;
        EXPECT_EQ(p.health, 0);
        EXPECT_EQ(p.killer, KILL_SUN);
    }
    World w = empty_world();
    Plane& p = live_plane(w, 2, {100, 100});
    p.has_sun_shield = true;
    plane_touches_body(w, p, sun_at({0, 0}), 100);
    EXPECT_FALSE(p.dead) << "a slow touch only bounces";
    plane_touches_body(w, p, sun_at({0, 0}), 160);
    EXPECT_EQ(p.health, 142);
    plane_touches_body(w, p, sun_at({0, 0}), 1000);
    EXPECT_EQ(p.killer, KILL_PLANET) << "crashed into the sun behind a sun shield";
}

TEST(Sun, DestroysEveryObjectButExitVesselsPlanetsOnlyBounce) {
    World w = empty_world();
    int c = add_object(w, make_collector({100, 100}, 0, w.rules));
    w.objects[c].upgraded = true;
    int v = add_object(w, vessel_at({900, 100}, 0, 0));
    object_touches_body(w, w.objects[c], planet_at({0, 0}, 0));
    EXPECT_FALSE(w.objects[c].destroyed);
    object_touches_body(w, w.objects[c], sun_at({0, 0}));
    EXPECT_TRUE(w.objects[c].destroyed);
    EXPECT_EQ(w.objects[c].health, 0);
    object_touches_body(w, w.objects[v], sun_at({0, 0}));
    EXPECT_FALSE(w.objects[v].destroyed || w.objects[v].free);
    EXPECT_EQ(w.objects[v].health, 1);
}

TEST(SunHeat, TwentyPerSecondAtTheSurfaceWithTheRestCarried) {
    World w = empty_world();
    add_body(w, sun_at({4800, 2700}));
    Plane& p = live_plane(w, 0, {4800 - 380, 2700});
    Plane& shielded = live_plane(w, 1, {4800 + 380, 2700});
    shielded.has_sun_shield = true;
    Plane& far = live_plane(w, 2, {4800, 2700 - 380 - 221});
    int c = add_object(w, make_collector({0, 0}, 0, w.rules));
    w.objects[c].pos = {4800, 2700 + 380};
    int u = add_object(w, make_collector({0, 0}, 0, w.rules));
    w.objects[u].pos = {4800, 2700 + 380};
    w.objects[u].upgraded = true;
    int vessel = add_object(w, vessel_at({4800 + 380 + 140, 2700}, 0, 1));  // its stern at the surface
    w.objects[vessel].pos = {4800 + 380, 2700};

    for (int i = 0; i < 120; ++i) apply_sun_heat(w);
    EXPECT_NEAR(p.health, 130, 1);
    EXPECT_GE(p.heat, 0.0f);
    EXPECT_LT(p.heat, 1.0f);
    EXPECT_NEAR((150 - p.health) + p.heat, 20.0f, 1e-3f) << "nothing lost to rounding";
    EXPECT_EQ(shielded.health, 150);
    EXPECT_EQ(shielded.heat, 0.0f);
    EXPECT_EQ(far.health, 150);
    EXPECT_EQ(far.heat, 0.0f);
    EXPECT_NEAR(w.objects[c].health, 30, 1);
    EXPECT_EQ(w.objects[u].health, 50) << "upgraded objects are immune";
    EXPECT_EQ(w.objects[vessel].health, 1) << "exit vessels take no heat";
    EXPECT_EQ(w.objects[vessel].heat, 0.0f);

    // A planet does not heat, not even at its surface.
    World cold = empty_world();
    add_body(cold, planet_at({4800, 2700}, 0));
    Plane& skimming = live_plane(cold, 0, {4800 - 160, 2700});
    apply_sun_heat(cold);
    EXPECT_EQ(skimming.heat, 0.0f);

    // One e-fold weaker 45 above the surface.
    World v = empty_world();
    add_body(v, sun_at({4800, 2700}));
    Plane& q = live_plane(v, 0, {4800 - 380 - 45, 2700});
    for (int i = 0; i < 120 * 10; ++i) apply_sun_heat(v);
    EXPECT_NEAR(150 - q.health + q.heat, 200 / 2.7182817f, 0.01f);
}

TEST(SunHeat, KillsWhenTheHeatOutlastsHealthEvenFromAHugeCarriedValue) {
    World w = empty_world();
    add_body(w, sun_at({4800, 2700}));
    Plane& p = live_plane(w, 0, {4800 - 380, 2700});
    p.heat = 3.0e38f;
    int c = add_object(w, make_collector({0, 0}, 0, w.rules));
    w.objects[c].pos = {4800, 2700 + 380};
    w.objects[c].heat = 3.0e38f;
    apply_sun_heat(w);
    EXPECT_TRUE(p.dead);
    EXPECT_EQ(p.killer, KILL_SUN);
    EXPECT_EQ(p.health, 0);
    EXPECT_TRUE(w.objects[c].destroyed);
}

TEST(DeadPlane, WaitsStowsAndRespawnsKeepingItsCargo) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {100, 100});
    p.resources[1] = 7;
    p.has_radar = true;
    p.has_sun_shield = true;
    p.shield = 30;
    p.hook_out = true;
    p.hook_state = HOOK_TETHERED;
    p.hook_pos = {5, 5};
    p.vel = {30, 0};
    p.angle = 1.0f;
    p.flame = 0.75f;
    p.fire_cooldown = 0.05f;
    p.health = 0;
    destroy_plane(w, p, KILL_SUN);

    update_dead_plane(w, p);
    EXPECT_TRUE(p.dead);
    EXPECT_FALSE(p.hook_out);
    EXPECT_EQ(p.hook_pos, (Vec2{0, 0}));
    EXPECT_EQ(p.shield, 0);
    EXPECT_FALSE(p.has_sun_shield);

    w.winner = 4;  // a finished round freezes the countdown
    float frozen = p.respawn_timer;
    for (int i = 0; i < 1000; ++i) update_dead_plane(w, p);
    EXPECT_EQ(p.respawn_timer, frozen);
    w.winner = NONE;

    int ticks = 1;
    while (p.dead && ticks < 1000) {
        update_dead_plane(w, p);
        ++ticks;
    }
    EXPECT_NEAR(ticks, 600, 1);
    EXPECT_EQ(p.pos, (Vec2{4800, 2754}));
    EXPECT_EQ(p.vel, (Vec2{0, 0}));
    EXPECT_EQ(p.angle, -1.5707964f);
    EXPECT_EQ(p.flame, 0.0f);
    EXPECT_EQ(p.fire_cooldown, 0.0f);
    EXPECT_EQ(p.health, 150);
    EXPECT_EQ(p.respawn_timer, 0.0f);
    EXPECT_EQ(p.resources[1], 7u);
    EXPECT_TRUE(p.has_radar);
}

TEST(CollectorReturn, ComesHomePlainAndUnowned) {
    World w = empty_world();
    int k = add_object(w, make_collector({2000, 2000}, 1.2f, w.rules));
    WorldObject& o = w.objects[k];
    Vec2 home = o.pos;
    upgrade_collector(o, w.size);
    o.pos = {10, 10};
    o.vel = {40, 0};
    o.angle = 3;
    o.spin = 1;
    o.owner = 2;
    o.heat = 0.5f;
    o.gather_timer = 1;
    o.health = 0;
    destroy_object(w, o);

    w.winner = 4;  // a finished round freezes the countdown
    const float frozen = o.respawn_timer;
    for (int i = 0; i < 2000; ++i) update_destroyed_object(w, o);
    EXPECT_EQ(o.respawn_timer, frozen);
    EXPECT_TRUE(o.destroyed);
    w.winner = NONE;

    int ticks = 0;
    while (o.destroyed && ticks < 2000) {
        update_destroyed_object(w, o);
        ++ticks;
    }
    EXPECT_NEAR(ticks, 1200, 1);
    WorldObject plain = collector_shape(false);
    EXPECT_FALSE(o.upgraded);
    EXPECT_EQ(o.kind, OBJECT_COLLECTOR);
    EXPECT_EQ(o.mass, COLLECTOR_MASS);
    EXPECT_EQ(o.inertia, plain.inertia);
    EXPECT_EQ(o.area, plain.area);
    EXPECT_EQ(o.hull_offset, plain.hull_offset);
    EXPECT_EQ(o.points[0], plain.points[0]);
    EXPECT_EQ(o.pos, home) << "the centre of mass goes home";
    EXPECT_EQ(o.angle, 1.2f);
    EXPECT_EQ(o.vel, (Vec2{0, 0}));
    EXPECT_EQ(o.spin, 0.0f);
    EXPECT_EQ(o.owner, NONE);
    EXPECT_EQ(o.health, 50);
    EXPECT_EQ(o.heat, 0.0f);
    EXPECT_EQ(o.gather_timer, 0.0f);
    EXPECT_EQ(o.upgrading_station, NONE);
}

Plane& rich_live_plane(World& w, uint8_t slot, Vec2 pos) {
    Plane& p = live_plane(w, slot, pos);
    for (uint32_t& r : p.resources) r = 40;
    return p;
}

// Steps and returns the first invariant broken after a step, or null.
const char* step_checked(World& w, int ticks) {
    for (int i = 0; i < ticks; ++i) {
        step_world(w);
        if (const char* fault = validate_world(w)) return fault;
    }
    return nullptr;
}

// A shot frees the turret that plane 0 has hooked; in the next tick plane 3
// buys a turret 5000 wu away, which takes the freed entry. The hook must have
// let go of the old turret instead of catching the new one across the field.
TEST(FreedEntry, AHookLetsGoBeforeAPurchaseReusesTheEntry) {
    World w = empty_world();
    int turret = add_object(w, turret_at({900, 1000}, 3));
    w.objects[turret].health = 10;
    Plane& p = live_plane(w, 0, {1000, 1000});
    p.hook_out = true;
    p.hook_state = HOOK_ATTACHED;
    p.hook_object = static_cast<uint8_t>(turret);
    p.hook_pos = w.objects[turret].pos;
    p.rope_length = 114;  // the nose is 114 wu from the turret: slack
    live_plane(w, 1, {3000, 4000});
    Plane& buyer = rich_live_plane(w, 3, {6000, 1000});
    w.shots[w.shot_count++] = Shot{{900, 980}, {0, 900}, 0, 10, 1};

    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_TRUE(w.objects[turret].free);
    EXPECT_EQ(p.hook_state, HOOK_REELING);

    buyer.buy_item = ITEM_TURRET;
    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_FALSE(w.objects[turret].free) << "the purchase took the freed entry";
    EXPECT_NEAR(w.objects[turret].pos.x, 5960.0f, 2.0f);
    ASSERT_STREQ(step_checked(w, 3), nullptr);
    EXPECT_NE(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.vel, (Vec2{0, 0})) << "no rope pulls the plane across the field";
    EXPECT_EQ(w.objects[turret].vel, (Vec2{0, 0}));
}

// A win destroys the station outside the winning vessel while the collector it
// holds sits inside and is spared; in the next tick a plane that was spared
// too buys a station, which takes the freed entry. The collector must have
// been let go instead of being pulled to the new station.
TEST(FreedEntry, AStationLinkLetsGoBeforeAPurchaseReusesTheEntry) {
    World w = empty_world();
    int vessel = add_object(w, vessel_at({2000, 2000}, 0.0f, 2));
    int station = add_object(w, station_at({2180, 2000}, PI, 4));  // its hull lies beyond the vessel's bow
    int collector = add_object(w, make_collector({2110, 1994}, 0.0f, w.rules));
    WorldObject& c = w.objects[collector];
    c.upgrading_station = static_cast<uint8_t>(station);
    c.upgrade_timer = 1;
    c.upgrade_radius = 80;  // beyond its distance of 70: the spring is slack
    Plane& winner = rich_live_plane(w, 2, {1990, 2000});
    winner.boarding_vessel = static_cast<uint8_t>(vessel);
    winner.boarding_timer = w.rules.boarding_time - 0.5f * TICK;
    live_plane(w, 4, {7000, 4000});
    Plane& buyer = rich_live_plane(w, 3, {1900, 2000});  // inside the vessel, facing its bow

    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_EQ(w.winner, 2);
    ASSERT_TRUE(w.objects[station].free);
    ASSERT_FALSE(c.destroyed);
    EXPECT_EQ(c.upgrading_station, NONE);
    EXPECT_EQ(c.upgrade_timer, 0.0f);

    buyer.buy_item = ITEM_UPGRADE_STATION;
    ASSERT_STREQ(step_checked(w, 1), nullptr);
    ASSERT_EQ(w.objects[station].kind, OBJECT_STATION);
    ASSERT_FALSE(w.objects[station].free) << "the purchase took the freed entry";
    ASSERT_STREQ(step_checked(w, 3), nullptr);
    EXPECT_EQ(c.upgrading_station, NONE);
    EXPECT_EQ(c.vel, (Vec2{0, 0})) << "nothing pulls the collector toward the new station";
}

}  // namespace
