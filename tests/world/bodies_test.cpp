#include "world/bodies.h"

#include <gtest/gtest.h>

#include "phase_calls.h"
#include "test_worlds.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

using namespace test_worlds;

const Vec2 CENTRE{3000, 3000};

// A plane heading straight at the body's centre along +x, its nose `gap` wu
// outside the radius.
Plane& plane_facing(World& w, float radius, float gap, float speed) {
    Plane& p = live_plane(w, 1, {CENTRE.x - radius - gap - 14.0f, CENTRE.y}, 0.0f);
    p.vel = {speed, 0};
    return p;
}

TEST(BodyContacts, PlanetCrashDamageAboveTheCrashSpeed) {
    struct Case {
        float speed;
        uint16_t health;
    } cases[] = {{150.0f, 150}, {160.0f, 142}, {0.0f, 150}};
    for (auto c : cases) {
        World w = empty_world();
        add_body(w, planet_at(CENTRE, 0));
        Plane& p = plane_facing(w, PLANET_RADIUS, 1.0f, c.speed);
        float x = p.pos.x;
        body_contacts(w);
        EXPECT_EQ(p.health, c.health) << c.speed;
        EXPECT_FALSE(p.dead);
        EXPECT_FLOAT_EQ(p.vel.x, c.speed - 1.4f * c.speed) << "bounce with restitution 0.4";
        EXPECT_FLOAT_EQ(p.pos.x, x - (1.5f - 0.25f) * 0.8f) << "pushed out of the margin";
    }
}

// A planet whose centre lies on the plane's rear edge (m = 0): the contact
// point is the plane's own position, 10 ahead of the centre, so the plane is
// pushed straight ahead by (160 + 2.5 - 0.25) * 0.8 = 129.8.
TEST(BodyContacts, CentreOnTheHullPushesAlongTheHullsPosition) {
    World w = empty_world();
    add_body(w, planet_at(CENTRE, 0));
    Plane& p = live_plane(w, 1, CENTRE + Vec2{10, 0}, 0.0f);
    body_contacts(w);
    EXPECT_FLOAT_EQ(p.pos.x, CENTRE.x + 10.0f + 129.8f);
    EXPECT_EQ(p.pos.y, CENTRE.y);
    EXPECT_FALSE(p.dead);
}

// A collector landing on top of a planet while sliding sideways: friction at
// its bottom edge, 14.45 below its centre, turns it (positive spin for a
// slide along +x with y growing downward).
TEST(BodyContacts, FrictionTurnsAnObject) {
    World w = empty_world();
    add_body(w, planet_at(CENTRE, 0));
    WorldObject c = make_collector({0, 0}, 0.0f, w.rules);
    c.pos = CENTRE - Vec2{0, 166.5f};
    c.vel = {50, 30};
    int k = add_object(w, c);
    body_contacts(w);
    EXPECT_LT(w.objects[k].vel.y, 30.0f) << "bounced";
    EXPECT_GT(w.objects[k].spin, 0.0f);
}

TEST(BodyContacts, MarginDecidesTouching) {
    for (float gap : {2.4f, 2.6f}) {
        World w = empty_world();
        add_body(w, planet_at(CENTRE, 0));
        Plane& p = plane_facing(w, PLANET_RADIUS, gap, 10.0f);
        body_contacts(w);
        EXPECT_EQ(p.vel.x != 10.0f, gap < 2.5f) << gap;
    }
}

TEST(BodyContacts, TheSunBurnsWithoutASunShieldAtAnySpeed) {
    World w = empty_world();
    add_body(w, sun_at(CENTRE));
    Plane& p = plane_facing(w, SUN_RADIUS, 1.0f, 0.0f);
    body_contacts(w);
    EXPECT_TRUE(p.dead);
    EXPECT_EQ(p.health, 0);
    EXPECT_EQ(p.killer, KILL_SUN);

    World s = empty_world();
    add_body(s, sun_at(CENTRE));
    Plane& q = plane_facing(s, SUN_RADIUS, 1.0f, 40.0f);
    q.has_sun_shield = true;
    body_contacts(s);
    EXPECT_FALSE(q.dead);
    EXPECT_EQ(q.health, s.rules.plane_health);
    EXPECT_LT(q.vel.x, 0.0f);
    ASSERT_EQ(s.event_count, 1u);
    EXPECT_EQ(s.events[0].kind, EVENT_IMPACT);
    EXPECT_EQ(s.events[0].value, 40.0f);
    EXPECT_EQ(s.events[0].pos, q.pos);
}

TEST(BodyContacts, ObjectsBounceOffPlanetsAndBurnInTheSunButVesselsOnlyBounce) {
    struct Case {
        const char* what;
        bool sun;
        bool vessel;
        bool destroyed;
    } cases[] = {{"collector on a planet", false, false, false},
                 {"collector in the sun", true, false, true},
                 {"vessel on a planet", false, true, false},
                 {"vessel in the sun", true, true, false}};
    for (auto c : cases) {
        World w = empty_world();
        add_body(w, c.sun ? sun_at(CENTRE) : planet_at(CENTRE, 1));
        float radius = c.sun ? SUN_RADIUS : PLANET_RADIUS;
        WorldObject o = c.vessel ? vessel_at({0, 0}, 0, 0) : make_collector({0, 0}, 0, w.rules);
        // Shift it so that its nearest hull point sits 1 wu inside the margin, left of the body.
        Vec2 hull_right{-1e9f, 0};
        for (uint64_t i = 0; i < o.point_count; ++i) {
            Vec2 q = o.pos + rotate(o.points[i], o.angle);
            if (q.x > hull_right.x) hull_right = q;
        }
        Vec2 shift = Vec2{CENTRE.x - radius - 1.5f, CENTRE.y} - Vec2{hull_right.x, o.pos.y};
        o.pos = o.pos + shift;
        o.vel = {30, 0};
        add_object(w, o);
        body_contacts(w);
        const WorldObject& after = w.objects[0];
        EXPECT_EQ(after.destroyed || after.free, c.destroyed) << c.what;
        if (!c.destroyed) {
            EXPECT_LT(after.vel.x, 30.0f) << c.what;
        }
    }
}

TEST(BodyContacts, DeadPlanesAndGoneObjectsAreLeftAlone) {
    World w = empty_world();
    add_body(w, sun_at(CENTRE));
    Plane& p = plane_facing(w, SUN_RADIUS, 1.0f, 50.0f);
    p.dead = true;
    WorldObject o = make_collector({CENTRE.x, CENTRE.y - 300}, 0, w.rules);
    o.destroyed = true;
    add_object(w, o);
    body_contacts(w);
    EXPECT_EQ(p.vel.x, 50.0f);
    EXPECT_EQ(w.event_count, 0u);
    EXPECT_EQ(w.objects[0].pos, o.pos);
}

}  // namespace
