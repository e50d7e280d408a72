#pragma once
// The shot and contact phases run on their own, each with the hull data built
// from the world as it stands, the way the step builds it before them.
#include "world/bodies.h"
#include "world/contacts.h"
#include "world/hulls.h"
#include "world/shots.h"
#include "world/world.h"

inline void update_shots(World& w) {
    HullCache cache;
    fill_hull_cache(w, cache);
    update_shots(w, cache);
}

inline void plane_contacts(World& w) {
    HullCache cache;
    fill_hull_cache(w, cache);
    plane_contacts(w, cache);
}

inline void object_contacts(World& w) {
    HullCache cache;
    fill_hull_cache(w, cache);
    object_contacts(w, cache);
}

inline void body_contacts(World& w) {
    HullCache cache;
    fill_hull_cache(w, cache);
    body_contacts(w, cache);
}
