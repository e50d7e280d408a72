#pragma once
// Upgrade stations capture collectors and turrets that come within their
// sphere, pull them to its centre on a shrinking spring and, after
// `upgrade_time`, improve them.
#include "world/world.h"

constexpr float STATION_SPHERE = 95.0f;
constexpr float STATION_MIN_RADIUS = 30.0f;
constexpr float STATION_RADIUS_SHRINK = 0.125f;  // per tick

// Centre of a station's sphere: its hull origin in world coordinates.
Vec2 station_centre(const WorldObject& station);

// Turns a collector into an upgraded one in place; the hull origin stays put
// and the new centre of mass is stored wrapped into the field of `size`.
void upgrade_collector(WorldObject& o, Vec2 size);

void update_stations(World& w);
