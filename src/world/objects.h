#pragma once
// Phase 4 of the step: objects drift under gravity (stations and exit vessels
// are pushed away instead) and spin; destroyed ones count down to their return.
// And the end of an entry: freeing it for a later placement.
#include "world/world.h"

void integrate_object(World& w, WorldObject& o);
void update_objects(World& w);

// Frees object entry `k` for good. The next placement reuses the entry, so
// every hook attached to it starts reeling in and every object its station
// held is let go here, before anything new can take the entry's place.
void free_object(World& w, int k);
