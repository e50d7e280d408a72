#include "world/purchases.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_worlds.h"
#include "world/geometry.h"
#include "world/stations.h"

namespace {

using namespace test_worlds;

struct Purse {
    uint32_t r0, r1, r2, sun;
};

struct Outcome {
    bool bought;
    uint32_t r0, r1, r2, sun;
};

TEST(Purchase, Table) {
    struct Case {
        const char* what;
        uint8_t item;
        Purse before;
        bool radar, minimap, sun_shield;
        uint16_t shield;
        Outcome after;
    } cases[] = {
        {"turret paid from the largest piles", ITEM_TURRET, {30, 0, 0, 0}, false, false, false, 0, {true, 0, 0, 0, 0}},
        {"turret one short", ITEM_TURRET, {10, 10, 9, 0}, false, false, false, 0, {false, 10, 10, 9, 0}},
        {"shield replaces a shield", ITEM_SHIELD, {10, 10, 10, 0}, false, false, false, 20, {true, 5, 5, 5, 0}},
        {"radar", ITEM_RADAR, {2, 9, 3, 0}, false, false, false, 0, {true, 1, 1, 2, 0}},
        {"owned radar costs nothing", ITEM_RADAR, {20, 20, 20, 0}, true, false, false, 0, {false, 20, 20, 20, 0}},
        {"minimap needs the radar", ITEM_MINIMAP, {50, 50, 50, 0}, false, false, false, 0, {false, 50, 50, 50, 0}},
        {"minimap", ITEM_MINIMAP, {50, 0, 0, 0}, true, false, false, 0, {true, 20, 0, 0, 0}},
        {"owned minimap", ITEM_MINIMAP, {50, 0, 0, 0}, true, true, false, 0, {false, 50, 0, 0, 0}},
        {"sun shield", ITEM_SUN_SHIELD, {0, 0, 20, 0}, false, false, false, 0, {true, 0, 0, 0, 0}},
        {"owned sun shield", ITEM_SUN_SHIELD, {0, 0, 20, 0}, false, false, true, 0, {false, 0, 0, 20, 0}},
        {"station takes of each", ITEM_UPGRADE_STATION, {20, 25, 30, 0}, false, false, false, 0, {true, 0, 5, 10, 0}},
        {"station short of one kind", ITEM_UPGRADE_STATION, {25, 25, 19, 0}, false, false, false, 0, {false, 25, 25, 19, 0}},
        {"vessel takes sun resource", ITEM_EXIT_VESSEL, {0, 0, 0, 55}, false, false, false, 0, {true, 0, 0, 0, 5}},
        {"vessel ignores planet resources", ITEM_EXIT_VESSEL, {90, 90, 90, 49}, false, false, false, 0, {false, 90, 90, 90, 49}},
        {"unknown item", 9, {90, 90, 90, 90}, false, false, false, 0, {false, 90, 90, 90, 90}},
    };
    for (const Case& c : cases) {
        World w = empty_world();
        Plane& p = live_plane(w, 4, {1000, 1000}, 0.5f);
        p.resources[0] = c.before.r0;
        p.resources[1] = c.before.r1;
        p.resources[2] = c.before.r2;
        p.sun_resource = c.before.sun;
        p.has_radar = c.radar;
        p.has_minimap = c.minimap;
        p.has_sun_shield = c.sun_shield;
        p.shield = c.shield;
        purchase(w, 4, c.item);
        EXPECT_EQ(p.resources[0], c.after.r0) << c.what;
        EXPECT_EQ(p.resources[1], c.after.r1) << c.what;
        EXPECT_EQ(p.resources[2], c.after.r2) << c.what;
        EXPECT_EQ(p.sun_resource, c.after.sun) << c.what;
        ASSERT_EQ(w.event_count, c.after.bought ? 1u : 0u) << c.what;
        if (c.after.bought) {
            EXPECT_EQ(w.events[0].kind, EVENT_PURCHASE);
            EXPECT_EQ(w.events[0].a, 4);
            EXPECT_EQ(w.events[0].b, c.item);
        }
        bool places = c.item == ITEM_TURRET || c.item == ITEM_UPGRADE_STATION || c.item == ITEM_EXIT_VESSEL;
        EXPECT_EQ(w.object_count, places && c.after.bought ? 1u : 0u) << c.what;
    }
}

TEST(Purchase, EquipmentFlagsAndShieldStrength) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {1000, 1000});
    p.resources[1] = 200;
    p.shield = 7;
    purchase(w, 0, ITEM_SHIELD);
    EXPECT_EQ(p.shield, w.rules.shield_strength);
    purchase(w, 0, ITEM_RADAR);
    purchase(w, 0, ITEM_MINIMAP);
    purchase(w, 0, ITEM_SUN_SHIELD);
    EXPECT_TRUE(p.has_radar);
    EXPECT_TRUE(p.has_minimap);
    EXPECT_TRUE(p.has_sun_shield);
    EXPECT_EQ(p.resources[1], 200u - 15 - 10 - 30 - 20);
}

// The rule itself, one unit at a time.
void pay_one_by_one(uint32_t r[3], uint32_t cost) {
    for (uint32_t i = 0; i < cost; ++i) {
        int k = r[2] > (r[0] > r[1] ? r[0] : r[1]) ? 2 : (r[1] > r[0] ? 1 : 0);
        r[k] -= 1;
    }
}

TEST(PayFromLargest, TiesGoToTheLowerIndex) {
    uint32_t a[3] = {5, 10, 10};
    pay_from_largest(a, 3);
    EXPECT_EQ(a[0], 5u);
    EXPECT_EQ(a[1], 8u);
    EXPECT_EQ(a[2], 9u);
    uint32_t b[3] = {7, 7, 7};
    pay_from_largest(b, 2);
    EXPECT_EQ(b[0], 6u);
    EXPECT_EQ(b[1], 6u);
    EXPECT_EQ(b[2], 7u);
}

TEST(PayFromLargest, AgreesWithOneUnitAtATime) {
    uint64_t state = 12345;
    auto draw = [&](uint32_t range) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>((state >> 33) % range);
    };
    for (int i = 0; i < 20000; ++i) {
        uint32_t range = i % 2 ? 8 : 200;
        uint32_t r[3] = {draw(range), draw(range), draw(range)};
        uint32_t cost = draw(r[0] + r[1] + r[2] + 1);
        uint32_t expected[3] = {r[0], r[1], r[2]};
        pay_one_by_one(expected, cost);
        pay_from_largest(r, cost);
        ASSERT_TRUE(r[0] == expected[0] && r[1] == expected[1] && r[2] == expected[2]) << "case " << i;
    }
}

TEST(PayFromLargest, HugePilesFromTheWireCostNoTime) {
    uint32_t r[3] = {4000000000u, 4000000000u, 3999999999u};
    pay_from_largest(r, 4000000000u);
    EXPECT_EQ(static_cast<uint64_t>(r[0]) + r[1] + r[2], 12000000000ull - 1 - 4000000000ull);
    EXPECT_LE(r[0] > r[2] ? r[0] - r[2] : r[2] - r[0], 1u);
}

Plane& rich_buyer(World& w, Vec2 pos, float angle) {
    Plane& p = live_plane(w, 2, pos, angle);
    p.vel = {12, -7};
    p.resources[0] = p.resources[1] = p.resources[2] = 100;
    p.sun_resource = 100;
    return p;
}

Vec2 hull_origin(const WorldObject& o) { return o.pos + rotate(o.hull_offset, o.angle); }

TEST(Placement, TurretBehindTheBuyerKeepsWorldOrientation) {
    World w = empty_world();
    Plane& p = rich_buyer(w, {1000, 1000}, 0.0f);
    purchase(w, 2, ITEM_TURRET);
    ASSERT_EQ(w.object_count, 1u);
    const WorldObject& t = w.objects[0];
    EXPECT_EQ(t.kind, OBJECT_TURRET);
    EXPECT_EQ(t.hull_offset, (Vec2{0, 0}));
    EXPECT_EQ(t.angle, 0.0f);
    // The octagon is built around its world position, so its centroid carries
    // the rounding of world-sized coordinates.
    EXPECT_NEAR(t.pos.x, 960.0f, 0.02f);
    EXPECT_NEAR(t.pos.y, 1000.0f, 0.02f);
    EXPECT_EQ(t.point_count, 8u);
    EXPECT_NEAR(length(t.points[0]), 14.0f, 0.02f);
    EXPECT_FLOAT_EQ(t.mass, t.area * POLYGON_DENSITY);
    EXPECT_FLOAT_EQ(t.turret_aim, PI) << "pointing away from the buyer";
    EXPECT_EQ(t.owner, 2);
    EXPECT_EQ(t.health, w.rules.turret_health);
    EXPECT_EQ(t.vel, p.vel);
    EXPECT_EQ(t.upgrading_station, NONE);
    EXPECT_FALSE(t.free);
}

TEST(Placement, StationFacesTheBuyerAndVesselFollowsTheHeading) {
    World w = empty_world();
    Plane& p = rich_buyer(w, {100, 2000}, 0.0f);  // both land across the seam
    purchase(w, 2, ITEM_UPGRADE_STATION);
    purchase(w, 2, ITEM_EXIT_VESSEL);
    ASSERT_EQ(w.object_count, 2u);

    const WorldObject& s = w.objects[0];
    EXPECT_EQ(s.kind, OBJECT_STATION);
    EXPECT_EQ(s.mass, 2.5f);
    EXPECT_EQ(s.inertia, 3062.5f);
    EXPECT_FLOAT_EQ(s.angle, PI);
    EXPECT_EQ(s.health, w.rules.station_health);
    Vec2 centre = station_centre(s);
    EXPECT_NEAR(centre.x, 100.0f - 175.0f + 9600.0f, 0.02f);
    EXPECT_NEAR(centre.y, 2000.0f, 0.02f);
    Vec2 cap = s.pos + rotate(s.points[2], s.angle);
    EXPECT_GT(cap.x, centre.x) << "the cap lies between the sphere's centre and the buyer";

    const WorldObject& v = w.objects[1];
    EXPECT_EQ(v.kind, OBJECT_VESSEL);
    EXPECT_EQ(v.mass, 6.0f);
    EXPECT_EQ(v.inertia, 29400.0f);
    EXPECT_EQ(v.health, 1);
    EXPECT_EQ(v.angle, 0.0f);
    Vec2 origin = hull_origin(v);
    EXPECT_NEAR(origin.x, 100.0f - 210.0f + 9600.0f, 0.02f);
    EXPECT_NEAR(origin.y, 2000.0f, 0.02f);
    EXPECT_EQ(v.vel, p.vel);
    EXPECT_EQ(v.spin, 0.0f);
}

// Placements turned by R(theta), not R(-theta), worked by hand for a buyer at
// (3000, 2000) heading theta with (cos, sin) = (0.8, 0.6) or (-0.6, 0.8):
// - the vessel's hull origin U = pos - 210 f = (2832, 1874) or (3126, 1832);
//   its template point (-105, -74) turned by theta is (-39.6, -122.2) or
//   (122.2, -39.6) from U;
// - the station's U = pos - 175 f = (2860, 1895) or (3105, 1860); turned by
//   theta + pi its template point (-105.81094, 36.86184) lies at
//   (106.765856, 33.997092) or (-33.997092, 106.765856) from U;
// - the turret keeps world orientation: its first point lies 14 wu along +x
//   from U = pos - 40 f = (2968, 1976) or (3024, 1968).
TEST(Placement, TurnedByTheBuyersHeading) {
    struct Case {
        float angle;
        Vec2 vessel_point, station_point, turret_point;
    } cases[] = {
        {0.6435011f, {2792.4f, 1751.8f}, {2966.765856f, 1928.997092f}, {2982, 1976}},
        {2.2142975f, {3248.2f, 1792.4f}, {3071.002908f, 1966.765856f}, {3038, 1968}},
    };
    for (auto c : cases) {
        World w = empty_world();
        rich_buyer(w, {3000, 2000}, c.angle);
        purchase(w, 2, ITEM_EXIT_VESSEL);
        purchase(w, 2, ITEM_UPGRADE_STATION);
        purchase(w, 2, ITEM_TURRET);
        ASSERT_EQ(w.object_count, 3u);
        const WorldObject& v = w.objects[0];
        const WorldObject& s = w.objects[1];
        const WorldObject& t = w.objects[2];
        Vec2 vp = v.pos + rotate(v.points[2], v.angle);
        Vec2 sp = s.pos + rotate(s.points[0], s.angle);
        EXPECT_NEAR(vp.x, c.vessel_point.x, 0.02f) << c.angle;
        EXPECT_NEAR(vp.y, c.vessel_point.y, 0.02f) << c.angle;
        EXPECT_NEAR(sp.x, c.station_point.x, 0.02f) << c.angle;
        EXPECT_NEAR(sp.y, c.station_point.y, 0.02f) << c.angle;
        EXPECT_EQ(t.angle, 0.0f);
        Vec2 tp = t.pos + t.points[0];
        EXPECT_NEAR(tp.x, c.turret_point.x, 0.01f) << c.angle;
        EXPECT_NEAR(tp.y, c.turret_point.y, 0.01f) << c.angle;
        EXPECT_FLOAT_EQ(t.turret_aim, c.angle + PI) << "pointing away from the buyer";
    }
}

TEST(Placement, FirstFreeEntryIsReusedAndAFullTableRefusesWithoutCharge) {
    World w = empty_world();
    for (int i = 0; i < 3; ++i) add_object(w, turret_at({3000.0f + 100 * i, 3000}, 0));
    w.objects[1].free = true;
    w.objects[2].free = true;
    Plane& p = rich_buyer(w, {1000, 1000}, 1.0f);
    purchase(w, 2, ITEM_TURRET);
    EXPECT_EQ(w.object_count, 3u);
    EXPECT_FALSE(w.objects[1].free);
    EXPECT_EQ(w.objects[1].owner, 2);
    EXPECT_TRUE(w.objects[2].free);

    while (w.object_count < MAX_OBJECTS) add_object(w, turret_at({5000, 5000}, 0));
    w.objects[2].free = false;
    uint32_t before = p.resources[0] + p.resources[1] + p.resources[2];
    w.event_count = 0;
    purchase(w, 2, ITEM_TURRET);
    purchase(w, 2, ITEM_UPGRADE_STATION);
    purchase(w, 2, ITEM_EXIT_VESSEL);
    EXPECT_EQ(p.resources[0] + p.resources[1] + p.resources[2], before);
    EXPECT_EQ(p.sun_resource, 100u);
    EXPECT_EQ(w.event_count, 0u);
    EXPECT_EQ(placement_entry(w), -1);
}

}  // namespace
