// The lagging copy of the health bar, tick by tick.
#include <gtest/gtest.h>

#include "client/hud_values.h"

namespace {

World world_with_health(uint16_t health) {
    World w;
    w.planes[3].in_use = true;
    w.planes[3].health = health;
    return w;
}

// Past the hold, every tick takes exactly 1/150 off the trail, never below
// the bar. Near zero a float step of 0.8 x TICK would differ in the last bit.
TEST(HudValues, TrailFallsByOneHundredFiftiethPerTick) {
    const World w = world_with_health(0);
    HudValues hud;
    hud.shown_health = 0;
    hud.health_trail = 2.0f / 150.0f;
    hud.time_since_damage = 0.5f;
    update_hud(hud, w, true, 3);
    EXPECT_EQ(hud.health_trail, 2.0f / 150.0f - 1.0f / 150.0f);
    update_hud(hud, w, true, 3);
    update_hud(hud, w, true, 3);
    EXPECT_EQ(hud.health_trail, 0.0f);
}

// A second hit during the fall restarts the hold and keeps the trail where it
// was; healing above the trail lifts it with the bar.
TEST(HudValues, HitRestartsTheHoldAndHealingLiftsTheTrail) {
    World w = world_with_health(75);  // half of 150
    HudValues hud;
    hud.shown_health = 0.5f;
    hud.health_trail = 0.8f;
    hud.time_since_damage = 1.0f;
    w.planes[3].health = 30;  // 0.2
    update_hud(hud, w, true, 3);
    EXPECT_EQ(hud.time_since_damage, TICK);
    EXPECT_EQ(hud.health_trail, 0.8f);
    EXPECT_EQ(hud.shown_health, 30.0f / 150.0f);

    w.planes[3].health = 135;  // 0.9, above the trail
    update_hud(hud, w, true, 3);
    EXPECT_EQ(hud.health_trail, 135.0f / 150.0f);
    EXPECT_EQ(hud.shown_health, 135.0f / 150.0f);
}

}  // namespace
