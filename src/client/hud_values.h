#pragma once
// The numbers the HUD draws that change tick by tick: the flash of a shield
// hit per player, and the own plane's health bar with its trail, which waits
// 0.4 s after damage and then falls at 0.8 of the bar per second.
#include "world/world.h"

constexpr float HIT_FLASH_TIME = 0.25f;
constexpr float TRAIL_DELAY = 0.4f;
constexpr float TRAIL_FALL_PER_TICK = 1.0f / 150.0f;  // 0.8 of the bar per second

struct HudValues {
    float hit_flash[MAX_PLANES] = {};
    float shown_health = 1.0f;  // fraction of the rules' plane health
    float health_trail = 1.0f;
    float time_since_damage = 0.0f;
};

// One tick. `world` is the client's world after this tick's step; the
// shield-hit events and the own plane count only when `joined`.
void update_hud(HudValues& hud, const World& world, bool joined, uint64_t own_slot);
