#include "render/stars.h"

#include <cmath>

#include "render/view.h"
#include "world/random.h"

const StarLayer STAR_LAYER_TABLE[STAR_LAYERS] = {
    {0.35f, 140, 0.6f}, {0.45f, 0, 0}, {0.55f, 80, 0.75f}, {0.65f, 0, 0},
    {0.75f, 0, 0},      {0.85f, 45, 0.9f}, {1.0f, 25, 1.0f},
};

uint32_t stars_wanted(const StarLayer& layer, Vec2 world_size) {
    float area = (layer.depth * world_size.x) * (layer.depth * world_size.y);
    float n = area / 1e6f * layer.density;
    if (!(n >= 1)) return 0;  // also a size that is negative or not a number
    if (n >= static_cast<float>(STAR_CAPACITY)) return STAR_CAPACITY;
    return static_cast<uint32_t>(n);
}

void ensure_star_field(StarField& field, Vec2 world_size) {
    if (field.valid && field.built_size == world_size) return;
    Xoshiro256 g = make_xoshiro(0xcd11798beb4bdc34ull, 0xc0fca7e767de5b4aull, 0xeb938f4f5ea1cd44ull,
                                0x68bec2f2fcf2a87aull);
    field.count = 0;
    for (int l = 0; l < STAR_LAYERS; ++l) {
        const StarLayer& layer = STAR_LAYER_TABLE[l];
        field.layer_first[l] = field.count;
        uint32_t n = stars_wanted(layer, world_size);
        for (uint32_t i = 0; i < n && field.count < STAR_CAPACITY; ++i) {
            Color base = STAR_COLORS[next(g) >> 62];
            float u1 = next_float(g);
            float u2 = next_float(g);
            float x = next_float(g) * (layer.depth * world_size.x);
            float y = next_float(g) * (layer.depth * world_size.y);
            float u3 = next_float(g);
            Star& star = field.stars[field.count++];
            star.pos = {x, y};
            star.radius = u3 * layer.depth * 1.1f + 0.7f;
            star.color = with_alpha(base, (0.5f * u1 * u2 + 0.5f) * layer.brightness);
        }
        field.layer_count[l] = field.count - field.layer_first[l];
    }
    field.built_size = world_size;
    field.valid = true;
}

void push_star_layer(CapsuleList& list, const StarField& field, int layer, Vec2 camera, Vec2 world_size) {
    float depth = STAR_LAYER_TABLE[layer].depth;
    Vec2 period = world_size * depth;
    Vec2 eye = camera * depth;
    uint32_t end = field.layer_first[layer] + field.layer_count[layer];
    for (uint32_t i = field.layer_first[layer]; i < end; ++i) {
        const Star& star = field.stars[i];
        Vec2 d = nearest_offset(star.pos - eye, period);
        if (!within_view(d, star.radius)) continue;
        push_disc(list, camera + d, star.radius, star.color);
    }
}
