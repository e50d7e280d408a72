#pragma once
// A live plane's own update in the step: gravity and the orbit assist, turning,
// thrust, the speed limit, moving, the gun, the hook key and the purchase.
#include "world/world.h"

constexpr float TURN_PER_TICK = 0.033333335f;
constexpr float THRUST_PER_TICK = 3.3333335f;
constexpr float FLAME_RISE = 0.055555556f;
constexpr float FLAME_FALL = 0.020833334f;
constexpr float TOP_SPEED = 500.0f;
constexpr float NOSE_OFFSET = 14.0f;
constexpr float MUZZLE_OFFSET = 2.5f;  // beyond the nose
constexpr float GUN_COOLDOWN = 0.1f;
constexpr float SHOT_SPEED = 900.0f;
constexpr float GUN_SPREAD = 0.034906585f;  // 2 degrees either way
constexpr float SHOT_LIFETIME = 0.8f;

// Phase 2 for the plane of `slot`, which is in use and alive.
void update_live_plane(World& w, int slot);

// Phase 2: every plane in use, dead or alive, in slot order.
void update_planes(World& w);
