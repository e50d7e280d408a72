#pragma once
// What hurts, kills and brings back: shot hits with the shield in front of
// health, crashes, the sun's touch and heat, destruction, the respawn of
// planes and the return of collectors.
#include "world/world.h"

// The health an object of `kind` starts (or returns) with.
uint16_t health_of_kind(const Rules& r, uint8_t kind);

// Marks a plane dead with a cause; its health is whatever the damage left.
void destroy_plane(World& w, Plane& p, uint8_t cause);
// A turret or station is gone for good; anything else (a collector) waits to
// return home. Exit vessels are never destroyed.
void destroy_object(World& w, WorldObject& o);

// Frees object entry `k` for good. The next placement reuses the entry, so
// every hook attached to it starts reeling in and every object its station
// held is let go here, before anything new can take the entry's place.
void free_object(World& w, int k);

// A player leaves: the plane of `slot` is cleared, every object it owned
// loses its owner, and its turrets and upgrade stations vanish (freed as if
// destroyed); collectors and exit vessels stay. The server does it, and a
// protocol 21 client repeats it on its confirmed world.
void remove_plane(World& w, uint8_t slot);

void shot_hits_object(World& w, WorldObject& o, const Shot& s);
void shot_hits_plane(World& w, Plane& p, const Shot& s);

// After a plane-object contact response with closing speed `closing_speed`.
void crash_into_object(World& w, Plane& p, float closing_speed);
// After a body contact response.
void plane_touches_body(World& w, Plane& p, const CelestialBody& b, float closing_speed);
void object_touches_body(World& w, WorldObject& o, const CelestialBody& b);

// Heat near the sun: planes first, then objects.
void apply_sun_heat(World& w);

// The respawn countdown of a dead plane, and the respawn.
void update_dead_plane(World& w, Plane& p);
// The return countdown of a destroyed object, and the return home.
void update_destroyed_object(World& w, WorldObject& o);
