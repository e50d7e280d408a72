#include "render/planets.h"

namespace {
constexpr Color NO_RING = {0, 0, 0, 0};
}

const PlanetLook PLANET_LOOKS[PLANET_LOOK_COUNT] = {
    {{0.85f, 0.65f, 0.42f, 1}, {0.55f, 0.32f, 0.2f, 1}, NO_RING, STYLE_GAS},
    {{0.9f, 0.82f, 0.58f, 1}, {0.68f, 0.56f, 0.36f, 1}, {0.85f, 0.78f, 0.6f, 0.8f}, STYLE_GAS},
    {{0.12f, 0.28f, 0.6f, 1}, {0.3f, 0.55f, 0.28f, 1}, NO_RING, STYLE_TERRAN},
    {{0.75f, 0.38f, 0.22f, 1}, {0.45f, 0.2f, 0.14f, 1}, NO_RING, STYLE_ROCKY},
    {{0.82f, 0.9f, 0.98f, 1}, {0.5f, 0.66f, 0.82f, 1}, {0.65f, 0.8f, 0.95f, 0.6f}, STYLE_ROCKY},
    {{0.16f, 0.11f, 0.1f, 1}, {1.0f, 0.45f, 0.08f, 1}, NO_RING, STYLE_LAVA},
    {{0.6f, 0.45f, 0.78f, 1}, {0.3f, 0.22f, 0.5f, 1}, NO_RING, STYLE_GAS},
    {{0.62f, 0.62f, 0.62f, 1}, {0.33f, 0.33f, 0.36f, 1}, NO_RING, STYLE_ROCKY},
};

const PlanetLook& planet_look(uint8_t look) {
    constexpr int FALLBACK = 7;  // plain grey rock
    return PLANET_LOOKS[look < PLANET_LOOK_COUNT ? look : FALLBACK];
}
