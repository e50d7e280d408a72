#pragma once
// Bounds of the world's lists and nearest wrapped copies, as the step uses
// them. A world that came over the wire may hold any count: loops over the
// lists never run past the arrays, whatever the counts say.
#include "world/geometry.h"
#include "world/world.h"

inline int object_limit(const World& w) {
    return w.object_count < MAX_OBJECTS ? static_cast<int>(w.object_count) : MAX_OBJECTS;
}
inline int body_limit(const World& w) {
    return w.body_count < MAX_BODIES ? static_cast<int>(w.body_count) : MAX_BODIES;
}

// An object index byte names an object only below the live count.
inline bool is_object_index(const World& w, uint8_t i) { return i < object_limit(w); }

// The slot of a plane of `w` is its index in the planes; the `slot` byte may
// come from the wire.
inline uint8_t slot_of(const World& w, const Plane& p) { return static_cast<uint8_t>(&p - w.planes); }
// The index of an object of `w` in the objects.
inline int object_index(const World& w, const WorldObject& o) { return static_cast<int>(&o - w.objects); }

// The copy of `p` on the torus nearest to `near`.
inline Vec2 nearest_copy(Vec2 p, Vec2 near, Vec2 size) { return near + wrapped_delta(near, p, size); }
