#pragma once
// Phase 5 of the step: shots fall under gravity, hit the earliest thing along
// their path this tick (objects, bodies, planes other than the shooter's) or
// expire after their lifetime.
#include "world/hulls.h"
#include "world/world.h"

// `cache` holds the objects' hull data as they are at the start of the phase.
void update_shots(World& w, const HullCache& cache);
