#pragma once
// A playable map drawn from a seed: the sun and three planets far apart, a few
// collectors near each planet and one in open space near the middle. The same
// seed gives the same map on every machine.
#include <cstdint>

#include "world/world.h"

constexpr float MAP_BODY_MARGIN = 700.0f;       // body centres stay this far inside the field
constexpr float MAP_PLANET_SPACING = 2500.0f;   // between planets
constexpr float MAP_SUN_SPACING = 3200.0f;      // between the sun and a planet
constexpr float MAP_COLLECTOR_NEAR = 450.0f;    // collectors around a planet, from its centre
constexpr float MAP_COLLECTOR_FAR = 700.0f;
constexpr int MAP_PLANETS = 3;

void generate_random_world(World& out, uint64_t seed);
