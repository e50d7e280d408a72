#pragma once
// Phase 4 of the step: objects drift under gravity (stations and exit vessels
// are pushed away instead) and spin; destroyed ones count down to their return.
#include "world/world.h"

void integrate_object(World& w, WorldObject& o);
void update_objects(World& w);
