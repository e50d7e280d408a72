#pragma once
// What a bot reads off the world, as any player could see it: which
// collectors are gathering where, who holds what on a hook, what the bot
// still needs, where its station and the exit vessels are.
#include <cstdint>

#include "world/world.h"

// A collector that exists right now (not destroyed, not a free entry).
bool is_live_collector(const WorldObject& o);

// The slot whose hook is fastened to object k, or NONE.
uint8_t holder_of(const World& w, int k);

// How many more of each planet resource the plane of `slot` wants: enough
// to win, and before it has an upgrade station, the station's price too.
void resource_needs(const World& w, uint8_t slot, bool has_station, uint32_t need[RESOURCE_KINDS]);

// Whether the plane carries enough of every resource to board and win.
bool carries_enough(const Plane& p, const Rules& rules);

// The owner's upgrade station that can still take collectors, or -1.
int own_station(const World& w, uint8_t slot);

// The active exit vessel nearest to `p`, or -1.
int nearest_vessel(const World& w, Vec2 p);

// The sun, or -1.
int sun_index(const World& w);

// Wrapped distance between two points of the field.
float field_distance(const World& w, Vec2 a, Vec2 b);

// The point of a coarse grid nearest to `from` that lies beyond every
// body's pull (where a bought station or vessel stays put); `from` itself
// when the field has no such point.
Vec2 open_space_near(const World& w, Vec2 from);
