#pragma once
// Phases 6 and 7 of the step: planes against objects and against each other,
// then objects against objects. Exit vessels take no part.
#include "world/hulls.h"
#include "world/world.h"

// Closing speed from which a contact is reported as an impact event.
constexpr float IMPACT_EVENT_SPEED = 25.0f;

// Whether an object takes part in contacts and shot hits.
bool is_solid(const WorldObject& o);

// `cache` holds the objects' hull data; contacts change no angle or hull.
void plane_contacts(World& w, const HullCache& cache);
void object_contacts(World& w, const HullCache& cache);
