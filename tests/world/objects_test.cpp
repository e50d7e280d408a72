#include "world/objects.h"

#include <gtest/gtest.h>

#include "test_worlds.h"

namespace {

using namespace test_worlds;

// 320 from a planet's centre gravity is 250 * 160^2 / 320^2 = 62.5 toward it:
// one tick takes 62.5 / 120 = 0.5208333 off a collector's or turret's
// velocity along x and adds it to a station's or exit vessel's. At rest they
// get no orbit assist.
TEST(Integration, StationsAndVesselsArePushedAwayTheRestPulledIn) {
    struct Case {
        uint8_t kind;
        float vel_x;
    } cases[] = {
        {OBJECT_COLLECTOR, -0.5208333f},
        {OBJECT_TURRET, -0.5208333f},
        {OBJECT_STATION, 0.5208333f},
        {OBJECT_VESSEL, 0.5208333f},
    };
    for (auto c : cases) {
        World w = empty_world();
        add_body(w, planet_at({1000, 1000}, 0));
        WorldObject o = make_collector({0, 0}, 0.0f, w.rules);
        o.kind = c.kind;
        o.pos = {1320, 1000};
        int k = add_object(w, o);
        update_objects(w);
        EXPECT_NEAR(w.objects[k].vel.x, c.vel_x, 1e-6f) << int(c.kind);
        EXPECT_EQ(w.objects[k].vel.y, 0.0f) << int(c.kind);
        EXPECT_NEAR(w.objects[k].pos.x, 1320.0f + c.vel_x * TICK, 1e-3f) << int(c.kind);
    }
}

// An object turns by its spin each tick (0.5 + 1.2 / 120 = 0.51); a free
// entry of the object array does not move at all.
TEST(Integration, AnObjectTurnsByItsSpinAndAFreeEntryStaysPut) {
    World w = empty_world();
    WorldObject o = make_collector({0, 0}, 0.0f, w.rules);
    o.pos = {2000, 1500};
    o.vel = {30, -40};
    o.angle = 0.5f;
    o.spin = 1.2f;
    const int k = add_object(w, o);
    o.free = true;
    const int gone = add_object(w, o);
    update_objects(w);
    EXPECT_NEAR(w.objects[k].angle, 0.51f, 1e-6f);
    EXPECT_NEAR(w.objects[k].pos.x, 2000.25f, 1e-3f);
    EXPECT_EQ(w.objects[gone].pos, (Vec2{2000, 1500}));
    EXPECT_EQ(w.objects[gone].angle, 0.5f);
}

}  // namespace
