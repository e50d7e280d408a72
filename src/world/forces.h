#pragma once
// The force fields of the celestial bodies: gravity, and the orbit assist that
// turns near-circular passes into stable orbits.
#include "world/vec2.h"
#include "world/world.h"

// Ranges by body kind.
struct BodyReach {
    float gravity_range;  // no pull at or beyond this distance
    float gravity_fade;   // the pull fades to 0 over this last stretch
    float orbit_window;   // altitude above the surface with an orbit assist
};
constexpr BodyReach SUN_REACH{1900.0f, 600.0f, 520.0f};
constexpr BodyReach PLANET_REACH{1100.0f, 300.0f, 320.0f};
inline const BodyReach& reach_of(const CelestialBody& b) { return b.is_sun ? SUN_REACH : PLANET_REACH; }

// Speed of a circular orbit at distance `dist` from the body's centre.
float circular_speed(const CelestialBody& b, float dist);

// Acceleration at p from every body.
Vec2 gravity(const World& w, Vec2 p);

// Assist acceleration for a mover at p with velocity v, from every body.
Vec2 orbit_assist(const World& w, Vec2 p, Vec2 v);
