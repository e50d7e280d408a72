#pragma once
// World set-up: the fixed layout every session starts from, the collector
// builder, the spawn-point search and the restart that keeps the rules.
#include "world/world.h"

// Collector hull in its own frame around the hull origin, and the hull of an
// upgraded collector (the same scaled by 1.4).
extern const Vec2 COLLECTOR_HULL[6];
extern const Vec2 UPGRADED_COLLECTOR_HULL[6];
constexpr float COLLECTOR_MASS = 0.4071111f;
constexpr float UPGRADED_COLLECTOR_MASS = 0.79793775f;  // 1.96 times the plain mass

constexpr float SPAWN_ANGLE = -1.5707964f;  // pointing up
constexpr float SPAWN_CLEARANCE_SUN = 2000.0f;
constexpr float SPAWN_CLEARANCE_PLANET = 1200.0f;
constexpr int SPAWN_TRIES = 256;

// A collector whose hull origin lies at `hull_origin`, turned by `angle`.
WorldObject make_collector(Vec2 hull_origin, float angle, const Rules& rules);

// Mass properties of a collector hull built around the origin: points,
// `point_count`, `area`, `mass`, `inertia`, and `hull_offset` (the hull origin
// seen from the centre of mass). Used when a collector changes hull in place.
WorldObject collector_shape(bool upgraded);

// Gives `o` the hull, mass properties and hull offset of `shape`.
void take_shape(WorldObject& o, const WorldObject& shape);

// A fresh world: no bodies, no planes in use, initial rules, one collector.
// A sun (radius 380, surface gravity 110) or a planet (160, 250).
CelestialBody make_body(Vec2 pos, bool is_sun, uint8_t resource, uint8_t look = 0, float phase = 0);

void generate_world(World& out);

// Where a plane of `slot` appears. With bodies it searches hashed candidates
// clear of them (counting `spawn_counter` up once); without bodies it is the
// slot's fixed place near the centre.
Vec2 spawn_point(World& w, uint8_t slot);

// Puts a player into `slot` afresh: in use, at a spawn point, full health,
// nothing carried.
void spawn_plane(World& w, uint8_t slot);

// Regenerates the world in place, keeping its rules and respawning the players
// of the occupied slots.
void restart_world(World& w, const bool occupied[MAX_PLANES]);
