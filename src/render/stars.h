#pragma once
// The star field behind the world: seven parallax layers generated once from
// a fixed generator state (every client sees the same sky) and culled per frame.
#include <cstdint>

#include "render/capsules.h"
#include "base/color.h"
#include "world/vec2.h"

constexpr int STAR_LAYERS = 7;
constexpr uint32_t STAR_CAPACITY = 4096;

struct StarLayer {
    float depth;
    float density;  // stars per 10^6 square units of layer area
    float brightness;
};
extern const StarLayer STAR_LAYER_TABLE[STAR_LAYERS];

struct Star {
    Vec2 pos;  // in layer space: [0, depth * world size)
    float radius;
    Color color;
};

// Stars are generated layer by layer, so each layer is one range of the array.
struct StarField {
    Vec2 built_size = {0, 0};
    bool valid = false;
    Star stars[STAR_CAPACITY];
    uint32_t count = 0;
    uint32_t layer_first[STAR_LAYERS] = {};
    uint32_t layer_count[STAR_LAYERS] = {};
};

// Rebuilds the field when it is invalid or was built for another world size.
void ensure_star_field(StarField& field, Vec2 world_size);

// Number of stars a layer asks for in a world of the given size, clamped to
// the cache's capacity before it becomes an integer (a world size from the
// wire may be absurd).
uint32_t stars_wanted(const StarLayer& layer, Vec2 world_size);

// Appends the visible stars of one layer as solid dots around the camera.
void push_star_layer(CapsuleList& list, const StarField& field, int layer, Vec2 camera, Vec2 world_size);
