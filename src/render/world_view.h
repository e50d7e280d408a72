#pragma once
// Turning the world the player sees into the world capsule list and the planet
// list, in back-to-front order, with the ranges the frame draws them in.
#include <cstdint>

#include "render/capsules.h"
#include "render/effects.h"
#include "render/planets.h"
#include "render/render_copy.h"
#include "render/stars.h"
#include "world/world.h"

// The game's part of a render copy; absent on the menu screens, which show the
// empty starry world.
struct GameView {
    const World* world;
    const Vec2* offsets;        // per slot display offsets, or null
    uint8_t local_slot;         // NONE when not joined
    const float* shield_flash;  // per slot, or null
};

void fill_render_copy(RenderCopy& copy, const GameView* game, Vec2 camera, float time, const EffectLists& effects);

struct Range {
    uint32_t first = 0;
    uint32_t count = 0;
};

// The night sky behind everything: the view is cleared to it.
constexpr Color SKY_COLOR = {0.02f, 0.02f, 0.05f, 1};

struct WorldRanges {
    Range stars[STAR_LAYERS];
    Range normal_below;  // orbit halos and smoke
    Range additive;      // glows, shots, planes, objects
    Range normal_above;  // boarding lines, hook ropes, wreck pieces, radar blips
    Range bodies;        // planet list: suns, planets, station domes
    Range nebulae;       // planet list
};

// Clears both lists and fills them from the copy. Appends beyond either
// list's capacity are dropped.
void build_world_lists(const RenderCopy& copy, StarField& stars, CapsuleList& capsules, PlanetList& planets,
                       WorldRanges& ranges);

// The top-left corner of the view in world units.
Vec2 view_origin(Vec2 camera);
