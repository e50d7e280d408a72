#include "world/stations.h"

#include <gtest/gtest.h>

#include "test_worlds.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/step.h"

namespace {

using namespace test_worlds;

struct Station : ::testing::Test {
    World w = empty_world();
    int station = 0;
    Vec2 centre{};
    void SetUp() override {
        station = add_object(w, station_at({3000, 2000}, 0.5f, 1));
        centre = station_centre(w.objects[station]);
    }
    int collector_at(Vec2 hull_origin) { return add_object(w, make_collector(hull_origin, 0.3f, w.rules)); }
    void run(int ticks) {
        for (int i = 0; i < ticks; ++i) {
            w.event_count = 0;
            update_stations(w);
        }
    }
};

TEST_F(Station, SphereIsCentredOnTheHullOrigin) {
    EXPECT_NEAR(centre.x, 3000.0f, 1e-3f);
    EXPECT_NEAR(centre.y, 2000.0f, 1e-3f);
}

TEST_F(Station, CapturesWhatIsInsideItsSphereInTheSameTick) {
    int near = collector_at({3040, 2000});
    int far = collector_at({3200, 2000});
    int turret = add_object(w, turret_at({3000, 1990}, 4));
    int upgraded = collector_at({2980, 2010});
    w.objects[upgraded].upgraded = true;
    update_stations(w);

    EXPECT_EQ(w.objects[near].upgrading_station, station);
    EXPECT_EQ(w.objects[turret].upgrading_station, station);
    EXPECT_EQ(w.objects[far].upgrading_station, NONE);
    EXPECT_EQ(w.objects[upgraded].upgrading_station, NONE) << "upgraded objects are never captured again";
    float d = length(wrapped_delta(centre, w.objects[near].pos, w.size));
    EXPECT_LT(w.objects[near].upgrade_radius, d) << "starts at its distance, then shrinks in the pull";
    EXPECT_NEAR(w.objects[near].upgrade_radius, d - 0.125f, 1e-4f);
    EXPECT_EQ(w.objects[turret].upgrade_radius, 30.0f) << "at least 30";
    int catches = 0;
    for (uint64_t i = 0; i < w.event_count; ++i) catches += w.events[i].kind == EVENT_CATCH;
    EXPECT_EQ(catches, 2);
}

// The sphere's radius is 95: a collector whose centre is 94 from the
// sphere's centre is captured, one 97 away is not.
TEST_F(Station, TheSphereReachesNinetyFive) {
    const Vec2 along{0.8f, -0.6f};
    const int inside = collector_at({0, 0});
    w.objects[inside].pos = centre + along * 94.0f;
    const int outside = collector_at({0, 0});
    w.objects[outside].pos = centre - along * 97.0f;
    update_stations(w);
    EXPECT_EQ(w.objects[inside].upgrading_station, station);
    EXPECT_EQ(w.objects[outside].upgrading_station, NONE);
}

TEST_F(Station, PullsTheCapturedObjectInAndTheStationBack) {
    int k = collector_at({3080, 2000});
    run(1);
    ASSERT_EQ(w.objects[k].upgrading_station, station);
    float start = length(wrapped_delta(centre, w.objects[k].pos, w.size));
    run(1);
    EXPECT_LT(w.objects[k].vel.x, 0.0f) << "toward the centre";
    EXPECT_GT(w.objects[station].vel.x, 0.0f) << "the station takes the reaction";
    EXPECT_NE(w.objects[station].spin, 0.0f);
    // Let it move as the step would, and it is drawn inside the shrinking radius.
    for (int i = 0; i < 600; ++i) {
        for (WorldObject& o : w.objects) o.pos = wrap(o.pos + o.vel * TICK, w.size);
        w.objects[station].vel = {0, 0};
        w.objects[station].spin = 0;
        run(1);
    }
    EXPECT_LT(length(wrapped_delta(centre, w.objects[k].pos, w.size)), start);
}

// The pull of one tick, worked by hand. The station at (3000, 2000), turned
// by 0.6435011 (cos 0.8, sin 0.6) with hull offset (100, 0): arm C - Ps =
// (80, 60), sphere centre C = (3080, 2060); velocity (2, 3), mass 2.5,
// inertia 3062.5. The object, of mass 0.5, sits at C - (30, 40): D = (30, 40),
// c = 50, n = (0.6, 0.8); its radius shrinks from 40.125 to 40.
// Spinning at +0.1: Vs = (2, 3) + 0.1 (-60, 80) = (-4, 11); with the object's
// velocity (10, -5), rel = (-14, 16).n = 4.4; J = (10 * 30 + 4.4 * 4) / 120 *
// 0.5 = 1.3233333; the object gains n J / 0.5 = (1.588, 2.1173333), the station
// loses n J / 2.5 = (0.3176, 0.4234667) and turns by (80 (-0.8 J) - 60 (-0.6 J))
// / 3062.5 = -0.0120990. Spinning at -0.1: Vs = (8, -5), rel = -1.2, J = 1.23.
// Rushing in at (60, 80): rel = -93.6 and the spring pushes back, so nothing
// happens; nor with a radius of 50 or more.
TEST(StationPull, WorkedCases) {
    struct Case {
        const char* what;
        float spin;
        Vec2 object_vel;
        float radius;
        Vec2 object_after, station_after;
        float spin_after;
    } cases[] = {
        {"spinning forward", 0.1f, {10, -5}, 40.125f, {11.588f, -2.8826667f}, {1.6824f, 2.5765333f}, 0.0879010f},
        {"spinning backward", -0.1f, {10, -5}, 40.125f, {11.476f, -3.032f}, {1.7048f, 2.6064f}, -0.1112457f},
        {"rushing in", 0.1f, {60, 80}, 40.125f, {60, 80}, {2, 3}, 0.1f},
        {"slack", 0.1f, {10, -5}, 50.125f, {10, -5}, {2, 3}, 0.1f},
    };
    for (auto c : cases) {
        World w = empty_world();
        WorldObject st = station_at({0, 0}, 0, 1);
        st.pos = {3000, 2000};
        st.angle = 0.6435011f;
        st.hull_offset = {100, 0};
        st.vel = {2, 3};
        st.spin = c.spin;
        int s = add_object(w, st);
        WorldObject o = make_collector({0, 0}, 0, w.rules);
        o.pos = {3050, 2020};
        o.vel = c.object_vel;
        o.mass = 0.5f;
        o.upgrading_station = static_cast<uint8_t>(s);
        o.upgrade_timer = 1;
        o.upgrade_radius = c.radius;
        int k = add_object(w, o);
        update_stations(w);
        EXPECT_NEAR(w.objects[k].vel.x, c.object_after.x, 1e-3f) << c.what;
        EXPECT_NEAR(w.objects[k].vel.y, c.object_after.y, 1e-3f) << c.what;
        EXPECT_NEAR(w.objects[s].vel.x, c.station_after.x, 1e-4f) << c.what;
        EXPECT_NEAR(w.objects[s].vel.y, c.station_after.y, 1e-4f) << c.what;
        EXPECT_NEAR(w.objects[s].spin, c.spin_after, 1e-6f) << c.what;
        EXPECT_EQ(w.objects[k].spin, 0.0f) << c.what;
    }
}

TEST_F(Station, UpgradedCollectorIsRebuiltAroundTheSameHullOrigin) {
    int k = collector_at({3020, 2000});
    w.objects[k].owner = 6;
    w.objects[k].vel = {0, 0};
    run(1);
    WorldObject before = w.objects[k];
    Vec2 origin = before.pos + rotate(before.hull_offset, before.angle);
    int ticks = 1;
    while (!w.objects[k].upgraded && ticks < 2000) {
        run(1);
        ++ticks;
    }
    ASSERT_TRUE(w.objects[k].upgraded);
    EXPECT_NEAR(ticks, 15 * 120, 1);
    const WorldObject& o = w.objects[k];
    EXPECT_EQ(o.upgrading_station, NONE);
    EXPECT_EQ(o.upgrade_timer, 0.0f);
    EXPECT_EQ(o.mass, UPGRADED_COLLECTOR_MASS);
    EXPECT_NEAR(o.area, 1170.45f * 1.96f, 0.05f);
    EXPECT_NEAR(o.inertia, 103.04f * 1.96f * 1.96f, 0.1f) << "inertia scales with mass and size squared";
    EXPECT_EQ(o.point_count, 6u);
    EXPECT_NEAR(o.points[0].x, -39.27f, 1e-3f);
    Vec2 now = o.pos + rotate(o.hull_offset, o.angle);
    EXPECT_NEAR(now.x, origin.x, 0.05f) << "the pull moved it only a little before the upgrade";
    EXPECT_NEAR(now.y, origin.y, 0.05f);
    EXPECT_EQ(o.owner, 6);
    EXPECT_EQ(o.angle, before.angle);
    ASSERT_EQ(w.event_count, 1u);
    EXPECT_EQ(w.events[0].kind, EVENT_UPGRADED);
    EXPECT_EQ(w.events[0].a, 6);
    EXPECT_EQ(w.events[0].b, OBJECT_COLLECTOR);
}

TEST(UpgradeCollector, KeepsTheHullOriginExactlyWhereItWas) {
    Rules rules{};
    WorldObject o = make_collector({5000, 1000}, 2.0f, rules);
    o.vel = {3, 4};
    o.spin = 0.5f;
    o.gather_timer = 1.5f;
    o.heat = 7.25f;
    Vec2 origin = o.pos + rotate(o.hull_offset, o.angle);
    upgrade_collector(o, {WORLD_WIDTH, WORLD_HEIGHT});
    Vec2 now = o.pos + rotate(o.hull_offset, o.angle);
    EXPECT_NEAR(now.x, origin.x, 1e-3f);
    EXPECT_NEAR(now.y, origin.y, 1e-3f);
    EXPECT_EQ(o.vel, (Vec2{3, 4}));
    EXPECT_EQ(o.spin, 0.5f);
    EXPECT_EQ(o.gather_timer, 0.0f);
    EXPECT_EQ(o.heat, 0.0f) << "an upgraded collector starts cool";
    EXPECT_TRUE(o.upgraded);
    // The upgraded hull is bigger, so the centre of mass moves off the old one.
    EXPECT_NEAR(length(o.hull_offset), 5.95f * 1.4f, 1e-3f);
}

TEST(UpgradeCollector, ACentreOfMassAcrossTheSeamIsStoredWrapped) {
    // Turned by 90 degrees, the centre of mass lies 5.95 wu (plain) or 8.33 wu
    // (upgraded) on the -x side of the hull origin at x = 7.
    Vec2 size{WORLD_WIDTH, WORLD_HEIGHT};
    WorldObject o = make_collector({7, 1000}, 1.5707964f, Rules{});
    ASSERT_NEAR(o.pos.x, 1.05f, 0.01f);
    upgrade_collector(o, size);
    EXPECT_NEAR(o.pos.x, 9600.0f - 1.33f, 0.01f);
    Vec2 origin = o.pos + rotate(o.hull_offset, o.angle);
    EXPECT_NEAR(length(wrapped_delta(origin, {7, 1000}, size)), 0.0f, 1e-3f);
}

TEST_F(Station, UpgradedTurretGetsDoubleHealth) {
    int t = add_object(w, turret_at({3010, 2000}, 2));
    run(15 * 120 + 1);
    EXPECT_TRUE(w.objects[t].upgraded);
    EXPECT_EQ(w.objects[t].health, 100);
    EXPECT_EQ(w.objects[t].point_count, 8u) << "a turret keeps its hull";
}

TEST_F(Station, ReleasesWhenTheHolderIsGoneOrTheIndexIsBad) {
    struct Case {
        const char* what;
        uint8_t holder;
        bool free_station;
    } cases[] = {
        {"station freed", 0, true},
        {"index past the count", 5, false},
        {"index past the array", 250, false},
        {"holder is not a station", 1, false},
    };
    for (auto c : cases) {
        w = empty_world();
        SetUp();
        int k = collector_at({6000, 2000});  // far outside the sphere
        w.objects[k].upgrading_station = c.holder;
        w.objects[k].upgrade_timer = 3;
        w.objects[station].free = c.free_station;
        update_stations(w);
        EXPECT_EQ(w.objects[k].upgrading_station, NONE) << c.what;
        EXPECT_EQ(w.objects[k].upgrade_timer, 0.0f) << c.what;
        EXPECT_EQ(w.objects[k].vel, (Vec2{0, 0})) << c.what;
    }
}

// An upgrade finishes in the tick its timer reaches the upgrade time, not
// one later: with an upgrade time of two ticks (exactly 2 * TICK in float)
// the second update finishes it.
TEST_F(Station, AnUpgradeFinishesWhenItsTimerReachesTheUpgradeTime) {
    w.rules.upgrade_time = 2.0f * TICK;
    int k = collector_at({3040, 2000});
    run(1);
    EXPECT_EQ(w.objects[k].upgrading_station, station);
    EXPECT_FALSE(w.objects[k].upgraded);
    run(1);
    EXPECT_TRUE(w.objects[k].upgraded);
    EXPECT_EQ(w.objects[k].upgrading_station, NONE);
}

// A captured object that is destroyed is let go at once, and never comes
// back upgraded.
TEST_F(Station, ADestroyedObjectIsReleasedAndNotUpgraded) {
    int k = collector_at({3040, 2000});
    run(1);
    ASSERT_EQ(w.objects[k].upgrading_station, station);
    w.objects[k].destroyed = true;
    w.objects[k].vel = {0, 0};
    run(1);
    EXPECT_EQ(w.objects[k].upgrading_station, NONE);
    EXPECT_EQ(w.objects[k].upgrade_timer, 0.0f);
    EXPECT_EQ(w.objects[k].vel, (Vec2{0, 0})) << "no pull";
    run(15 * 120);
    EXPECT_TRUE(w.objects[k].destroyed);
    EXPECT_FALSE(w.objects[k].upgraded);
}

TEST(StationPurchase, CapturesACollectorAlreadyInsideInTheSameTick) {
    World w = empty_world();
    int k = add_object(w, make_collector({2830, 2000}, 0.0f, w.rules));
    Plane& p = live_plane(w, 2, {3000, 2000}, 0.0f);
    for (uint32_t& r : p.resources) r = 20;
    p.buy_item = ITEM_UPGRADE_STATION;
    step_world(w);
    ASSERT_EQ(w.object_count, 2u) << "the station was placed";
    EXPECT_EQ(w.objects[1].kind, OBJECT_STATION);
    EXPECT_EQ(w.objects[k].upgrading_station, 1);
    bool caught = false;
    for (uint64_t i = 0; i < w.event_count; ++i) caught = caught || w.events[i].kind == EVENT_CATCH;
    EXPECT_TRUE(caught);
}

}  // namespace
