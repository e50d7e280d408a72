#pragma once
// Collectors in a near-circular orbit gather the body's resource for their
// owner: once on entering the orbit, then every 2.5 s they stay in it.
#include "world/world.h"

constexpr float GATHER_INTERVAL = 2.5f;
constexpr float ORBIT_TOLERANCE = 0.2f;  // of the circular speed, radially and tangentially

// Index of the first body around which a mover at p with velocity v is in a
// gathering orbit, or -1.
int orbited_body(const World& w, Vec2 p, Vec2 v);

void gather(World& w);
