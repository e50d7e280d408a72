#pragma once
// Hulls of planes and objects in world coordinates, built around a position
// that the caller may have shifted to a nearest wrapped copy.
#include "world/vec2.h"
#include "world/world.h"

// Bounding radius of the plane triangle around its position.
constexpr float PLANE_RADIUS = 23.86607f;

// The plane triangle: nose, the rear corner on the +s side, the one on -s.
void plane_hull(Vec2 pos, float angle, Vec2 out[3]);
// Same with a precomputed sine and cosine of the heading.
void plane_hull_sc(Vec2 pos, float s, float c, Vec2 out[3]);

// Number of hull points an object has, clamped to the array (a world from the
// wire may hold any count).
int hull_point_count(const WorldObject& o);

// The object's hull around the centre of mass `pos` (not necessarily o.pos).
// Returns the number of points written.
int object_hull_at(const WorldObject& o, Vec2 pos, Vec2 out[MAX_HULL_POINTS]);

// 2.5 + the largest distance of a hull point from the centre of mass.
float object_radius(const WorldObject& o);

// Hull data of every object (the angle's sine and cosine and the bounding
// radius), computed once for the phases that turn no object and change no hull
// (shots through body contacts) instead of once per pair. The values are
// exactly those the functions above compute.
struct HullCache {
    float sin[MAX_OBJECTS];
    float cos[MAX_OBJECTS];
    float radius[MAX_OBJECTS];
};
void fill_hull_cache(const World& w, HullCache& cache);
int cached_hull_at(const World& w, const HullCache& cache, int k, Vec2 pos, Vec2 out[MAX_HULL_POINTS]);
