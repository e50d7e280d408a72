#pragma once
// Capsules: a segment with round caps and a radius, coloured with a gradient
// from one end to the other, drawn as one instanced quad each. The same record
// also carries soft blobs (a radial fade) and rings around its first end.
#include <cstdint>
#include <type_traits>

#include "base/color.h"
#include "world/vec2.h"

enum CapsuleKind : uint8_t {
    CAPSULE_SOLID = 0,
    CAPSULE_SOFT = 1,
    CAPSULE_SOLID_RING = 2,
    CAPSULE_SOFT_RING = 3,
};

// Four vec4 attributes: ends (a.x, a.y, b.x, b.y), colour at a, colour at b,
// params (radius, kind, ring radius, ring half width).
struct CapsuleInstance {
    float ends[4];
    Color color_a;
    Color color_b;
    float params[4];
};
static_assert(sizeof(CapsuleInstance) == 64);
static_assert(std::is_trivially_copyable_v<CapsuleInstance>);

constexpr uint32_t WORLD_CAPSULE_CAPACITY = 4096;
constexpr uint32_t SCREEN_CAPSULE_CAPACITY = 512;

// One record type for both lists; the screen list uses only the first 512.
struct CapsuleList {
    CapsuleInstance items[WORLD_CAPSULE_CAPACITY];
    uint32_t count = 0;
    uint32_t capacity = WORLD_CAPSULE_CAPACITY;
};

// Appends one capsule; a full list drops it silently.
inline void push_capsule(CapsuleList& list, const CapsuleInstance& c) {
    if (list.count >= list.capacity) return;
    list.items[list.count++] = c;
}

// A solid segment from a to b with round caps of the given radius.
inline void push_segment(CapsuleList& list, Vec2 a, Vec2 b, float radius, Color ca, Color cb) {
    push_capsule(list, {{a.x, a.y, b.x, b.y}, ca, cb, {radius, CAPSULE_SOLID, 0, 0}});
}
inline void push_segment(CapsuleList& list, Vec2 a, Vec2 b, float radius, Color c) {
    push_segment(list, a, b, radius, c, c);
}
// A solid disc.
inline void push_disc(CapsuleList& list, Vec2 p, float radius, Color c) { push_segment(list, p, p, radius, c, c); }
// A soft capsule whose alpha fades to zero at `reach` from the segment.
inline void push_soft(CapsuleList& list, Vec2 a, Vec2 b, float reach, Color c) {
    push_capsule(list, {{a.x, a.y, b.x, b.y}, c, c, {reach, CAPSULE_SOFT, 0, 0}});
}
// A soft round blob (glow or smoke puff).
inline void push_blob(CapsuleList& list, Vec2 p, float reach, Color c) { push_soft(list, p, p, reach, c); }
// The outline of a circle with an antialiased edge.
inline void push_ring(CapsuleList& list, Vec2 p, float ring_radius, float half_width, Color c) {
    push_capsule(list, {{p.x, p.y, p.x, p.y}, c, c, {ring_radius + half_width, CAPSULE_SOLID_RING, ring_radius, half_width}});
}
// A halo that fades quadratically to zero at half_width from the circle.
inline void push_soft_ring(CapsuleList& list, Vec2 p, float ring_radius, float half_width, Color c) {
    push_capsule(list, {{p.x, p.y, p.x, p.y}, c, c, {ring_radius + half_width, CAPSULE_SOFT_RING, ring_radius, half_width}});
}
