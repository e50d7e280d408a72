#pragma once
// The world's invariants as a check: what every tick of the step keeps true of
// a world that was sound before it. A debugging aid for the step fuzzer, the
// scripted game and tests; the step itself never calls it.
#include "world/world.h"

// Null when every invariant holds; otherwise a fixed text naming the first
// broken one. Allocates nothing.
const char* validate_world(const World& w);
