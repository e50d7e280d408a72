#include "world/contacts.h"

#include <gtest/gtest.h>

#include "phase_calls.h"
#include "test_worlds.h"
#include "world/collision.h"
#include "world/geometry.h"
#include "world/hulls.h"

namespace {

using namespace test_worlds;

const Vec2 SQUARE[4] = {{-20, -20}, {20, -20}, {20, 20}, {-20, 20}};

WorldObject block_at(Vec2 centre, uint8_t kind = OBJECT_COLLECTOR) { return placed(SQUARE, 4, centre, 0, kind, NONE); }

const WorldEvent* find_event(const World& w, uint8_t kind) {
    for (uint64_t i = 0; i < w.event_count; ++i)
        if (w.events[i].kind == kind) return &w.events[i];
    return nullptr;
}

TEST(PlaneContacts, CrashDamageAgainstObjectsStartsAboveTheCrashSpeed) {
    struct Case {
        float speed;
        uint16_t health;
    } cases[] = {{150.0f, 150}, {160.0f, 146}, {20.0f, 150}};
    for (auto c : cases) {
        World w = empty_world();
        Plane& p = live_plane(w, 0, {1000, 1000}, 0.0f);  // nose at x = 1014, 3 wu from the block
        p.vel = {c.speed, 0};
        int k = add_object(w, block_at({1037, 1000}));
        plane_contacts(w);
        EXPECT_EQ(p.health, c.health) << c.speed;
        EXPECT_LT(p.vel.x, c.speed) << c.speed;
        EXPECT_GT(w.objects[k].vel.x, 0.0f) << c.speed;
        EXPECT_EQ(w.objects[k].health, 50) << "objects take no crash damage";
        const WorldEvent* impact = find_event(w, EVENT_IMPACT);
        if (c.speed >= IMPACT_EVENT_SPEED) {
            ASSERT_NE(impact, nullptr) << c.speed;
            EXPECT_EQ(impact->value, c.speed);
            EXPECT_EQ(impact->pos, p.pos);
        } else {
            EXPECT_EQ(impact, nullptr) << c.speed;
        }
    }
}

// A plane takes part in a contact with inverse mass 1, inverse inertia 0 and
// no spin, the object with its own: the outcome is the response of those two
// states to the contact of the two hulls. Hit 10 wu off the block's centre,
// the plane would turn if it had any inertia. Pushed back across the seam, it
// is wrapped into the field.
TEST(PlaneContacts, PlaneIsAUnitMassThatNeverTurnsAndIsWrapped) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {0.5f, 1010}, 0.0f);  // nose 3 wu from the block
    p.vel = {100, 0};
    const int k = add_object(w, block_at({37.5f, 1000}));
    const WorldObject o = w.objects[k];
    Vec2 plane_points[3], block[4];
    plane_hull(p.pos, p.angle, plane_points);
    object_hull_at(o, o.pos, block);
    const Contact c = polygon_contact(plane_points, 3, block, 4);
    ASSERT_TRUE(c.touching);
    BodyState a{p.pos, p.vel, 0.0f, 1.0f, 0.0f}, b{o.pos, o.vel, o.spin, 1.0f / o.mass, 1.0f / o.inertia};
    respond(a, b, c);

    plane_contacts(w);
    EXPECT_EQ(p.vel, a.vel);
    EXPECT_EQ(w.objects[k].vel, b.vel);
    EXPECT_EQ(w.objects[k].spin, b.spin);
    EXPECT_NE(b.spin, 0.0f);
    EXPECT_EQ(p.pos, wrap(a.pos, w.size));
    EXPECT_GT(p.pos.x, 9599.0f) << "pushed back across the seam";
}

TEST(PlaneContacts, HardCrashKillsWithTheObjectCause) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {1000, 1000}, 0.0f);
    p.health = 4;
    p.vel = {160, 0};
    add_object(w, block_at({1037, 1000}));
    plane_contacts(w);
    EXPECT_TRUE(p.dead);
    EXPECT_EQ(p.killer, KILL_OBJECT);
}

TEST(PlaneContacts, PlanesBounceOffEachOtherWithoutDamage) {
    for (uint8_t second : {3, 6}) {  // a neighbouring slot, a farther one
        SCOPED_TRACE(int(second));
        World w = empty_world();
        Plane& a = live_plane(w, 2, {1000, 1000}, 0.0f);
        Plane& b = live_plane(w, second, {1027, 1000}, 0.0f);  // its rear edge 3 wu ahead of the nose
        a.vel = {50, 0};
        b.vel = {-50, 0};
        plane_contacts(w);
        EXPECT_FLOAT_EQ(a.vel.x, -20.0f);
        EXPECT_FLOAT_EQ(b.vel.x, 20.0f);
        EXPECT_EQ(a.health, w.rules.plane_health);
        EXPECT_EQ(b.health, w.rules.plane_health);
        const WorldEvent* impact = find_event(w, EVENT_IMPACT);
        ASSERT_NE(impact, nullptr);
        EXPECT_NEAR(impact->value, 100.0f, 1e-3f);
    }
}

TEST(PlaneContacts, ImpactEventsFromTwentyFiveWuPerSecond) {
    for (float closing : {24.5f, 25.5f}) {
        World w = empty_world();
        live_plane(w, 2, {1000, 1000}, 0.0f).vel = {closing * 0.5f, 0};
        live_plane(w, 6, {1027, 1000}, 0.0f).vel = {closing * -0.5f, 0};
        plane_contacts(w);
        const WorldEvent* impact = find_event(w, EVENT_IMPACT);
        EXPECT_EQ(impact != nullptr, closing >= 25.0f) << closing;
        if (impact) {
            EXPECT_NEAR(impact->value, closing, 1e-4f);
        }
    }
}

TEST(PlaneContacts, OnlyLiveSolidPartiesTakePart) {
    struct Case {
        const char* what;
        int setup;
    } cases[] = {{"exit vessel", 0}, {"destroyed collector", 1}, {"free entry", 2}, {"dead plane", 3}, {"far apart", 4}};
    for (auto c : cases) {
        World w = empty_world();
        Plane& p = live_plane(w, 0, {1000, 1000}, 0.0f);
        p.vel = {100, 0};
        WorldObject o = c.setup == 0 ? vessel_at({1100, 1000}, 0, 1) : block_at({c.setup == 4 ? 1100.0f : 1030.0f, 1000});
        o.destroyed = c.setup == 1;
        o.free = c.setup == 2;
        p.dead = c.setup == 3;
        add_object(w, o);
        plane_contacts(w);
        EXPECT_EQ(p.vel, (Vec2{100, 0})) << c.what;
        EXPECT_EQ(w.objects[0].vel, (Vec2{0, 0})) << c.what;
        EXPECT_EQ(w.event_count, 0u) << c.what;
    }
}

TEST(PlaneContacts, AcrossTheSeamPositionsStayWrapped) {
    World w = empty_world();
    Plane& p = live_plane(w, 0, {30, 500}, PI);  // nose at x = 16, pointing at the seam
    p.vel = {-100, 0};
    int k = add_object(w, block_at({9593, 500}));  // right face at x = 13 across the seam
    plane_contacts(w);
    EXPECT_GT(p.vel.x, -100.0f);
    EXPECT_LT(w.objects[k].vel.x, 0.0f);
    EXPECT_GE(p.pos.x, 30.0f) << "pushed away from the block";
    EXPECT_GE(w.objects[k].pos.x, 0.0f);
    EXPECT_LT(w.objects[k].pos.x, 9600.0f);
    EXPECT_LT(w.objects[k].pos.x, 9593.0f);
}

TEST(ObjectContacts, BlocksBounceAndTurnWithoutDamage) {
    World w = empty_world();
    int a = add_object(w, block_at({2000, 2000}));
    int b = add_object(w, block_at({2043, 2010}));
    w.objects[a].vel = {60, 0};
    w.objects[b].vel = {-60, 0};
    float momentum_before = w.objects[a].vel.x * w.objects[a].mass + w.objects[b].vel.x * w.objects[b].mass;
    object_contacts(w);
    EXPECT_LT(w.objects[a].vel.x, 0.0f);
    EXPECT_GT(w.objects[b].vel.x, 0.0f);
    float momentum_after = w.objects[a].vel.x * w.objects[a].mass + w.objects[b].vel.x * w.objects[b].mass;
    EXPECT_NEAR(momentum_after, momentum_before, 1e-4f);
    EXPECT_NE(w.objects[a].spin, 0.0f) << "an off-centre contact turns them";
    EXPECT_EQ(w.objects[a].health, 50);
    ASSERT_NE(find_event(w, EVENT_IMPACT), nullptr);
    EXPECT_EQ(find_event(w, EVENT_IMPACT)->pos, w.objects[a].pos);

    World v = empty_world();
    add_object(v, block_at({2000, 2000}));
    add_object(v, vessel_at({2050, 2000}, 0, 0));
    v.objects[0].vel = {60, 0};
    object_contacts(v);
    EXPECT_EQ(v.objects[0].vel, (Vec2{60, 0})) << "vessels are transparent to objects";
}

}  // namespace
