#pragma once
// What one frame draws, copied at its start so nothing changes while drawing.
#include <cstdint>

#include "render/effects.h"
#include "world/world.h"

struct RenderCopy {
    World world;
    Vec2 drawn[MAX_PLANES];  // each present plane's simulated position + display offset, wrapped
    uint8_t local_slot = NONE;
    Vec2 camera = {4800, 2700};
    float time = 0;
    float shield_flash[MAX_PLANES] = {};
    EffectLists effects;
};
