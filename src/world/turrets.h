#pragma once
// Automatic turrets: each picks the nearest plane in range that is not its
// owner's, leads it, turns toward it at a limited rate and fires once its
// barrel is nearly on target.
#include "world/world.h"

constexpr float TURRET_MUZZLE = 24.0f;
constexpr float TURRET_SHOT_SPEED = 900.0f;
constexpr float TURRET_AIM_TOLERANCE = 0.08f;

void update_turrets(World& w);
