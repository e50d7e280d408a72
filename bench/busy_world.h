#pragma once
// The busy world every benchmark measures against: the sun and three planets,
// eight planes turning, thrusting and firing with their hooks out, 64 objects
// of every kind and 64 shots in flight.
#include "world/world.h"

World busy_world();
