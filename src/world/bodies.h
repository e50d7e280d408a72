#pragma once
// Phase 8 of the step: planes and objects (exit vessels included) bounce off
// the sun and the planets, with the outcomes of touching them.
#include "world/hulls.h"
#include "world/world.h"

// Hulls come this close to a body's surface before they touch it.
constexpr float BODY_MARGIN = 2.5f;

// `cache` holds the objects' hull data; body contacts change no angle or hull.
void body_contacts(World& w, const HullCache& cache);
