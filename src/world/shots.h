#pragma once
// Phase 5 of the step: shots fall under gravity, hit the earliest thing along
// their path this tick (objects, bodies, planes other than the shooter's) or
// expire after their lifetime.
#include "world/world.h"

void update_shots(World& w);
