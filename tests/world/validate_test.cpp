#include "world/validate.h"

#include <gtest/gtest.h>

#include "test_worlds.h"
#include "world/purchases.h"
#include "world/step.h"

namespace {

using namespace test_worlds;

// Planes with guns and hooks busy near a planet, a turret, a station holding
// a collector and an exit vessel, after half a second of play.
World played_world() {
    World w = empty_world();
    add_body(w, planet_at({1500, 1300}, 0));
    add_object(w, make_collector({2300, 1300}, 0.5f, w.rules));
    const uint8_t items[4] = {ITEM_TURRET, ITEM_UPGRADE_STATION, ITEM_EXIT_VESSEL, ITEM_TURRET};
    for (uint8_t s = 0; s < 4; ++s) {
        Plane& p = live_plane(w, s, {2000.0f + 150 * s, 1800}, 0.7f * s);
        for (uint32_t& r : p.resources) r = 60;
        p.sun_resource = 60;
        p.fire = true;
        p.hook_key = true;
        p.buy_item = items[s];
    }
    for (int i = 0; i < 60; ++i) step_world(w);
    return w;
}

TEST(ValidateWorld, AWorldThatPlayedIsSound) {
    World w = played_world();
    EXPECT_STREQ(validate_world(w), nullptr);
    EXPECT_GE(w.object_count, 4u);
}

// Each case breaks one invariant of a sound world.
TEST(ValidateWorld, ReportsABrokenInvariant) {
    struct Case {
        const char* what;
        void (*spoil)(World&);
    } cases[] = {
        {"plane outside the field", [](World& w) { w.planes[0].pos.x = 9600; }},
        {"object outside the field", [](World& w) { w.objects[0].pos.y = -0.5f; }},
        {"hook attached to a free entry", [](World& w) {
             w.objects[1].free = true;
             Plane& p = w.planes[0];
             p.hook_out = true, p.hook_state = HOOK_ATTACHED, p.hook_object = 1, p.rope_length = 100;
             p.hook_pos = w.planes[0].pos;
         }},
        {"held by a free entry", [](World& w) {
             w.objects[1].free = true;
             w.objects[0].upgrading_station = 1;
         }},
        {"stowed hook not zero", [](World& w) {
             w.planes[3].hook_out = false;
             w.planes[3].hook_vel = {1, 0};
         }},
        {"free slot not blank", [](World& w) { w.planes[7].health = 1; }},
        {"too many shots", [](World& w) { w.shot_count = MAX_SHOTS + 1; }},
        {"live plane with a respawn timer", [](World& w) { w.planes[1].respawn_timer = 2; }},
        {"winning vessel no vessel", [](World& w) {
             w.winner = 0;
             w.winner_vessel = 0;
             w.round_over_timer = 30;
         }},
    };
    const World sound = played_world();
    ASSERT_STREQ(validate_world(sound), nullptr);
    for (auto c : cases) {
        World w = sound;
        c.spoil(w);
        EXPECT_NE(validate_world(w), nullptr) << c.what;
    }
}

}  // namespace
