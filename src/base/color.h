#pragma once
// Colours are four floats, red, green, blue and straight alpha, each 0..1.
// The tables here are shared by the world, the minimap, the HUD and the
// notifications.
#include <cstdint>

struct Color {
    float r, g, b, a;
};

constexpr Color with_alpha(Color c, float a) { return {c.r, c.g, c.b, a}; }
constexpr Color mix(Color x, Color y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}
constexpr Color scale_rgb(Color c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

constexpr Color PLAYER_COLORS[8] = {
    {0.9f, 0.9f, 0.95f, 1}, {0.6f, 1, 0.6f, 1},  {1, 0.85f, 0.5f, 1}, {1, 0.6f, 0.9f, 1},
    {0.6f, 0.9f, 1, 1},     {1, 1, 0.55f, 1},    {0.8f, 0.7f, 1, 1},  {1, 0.7f, 0.6f, 1},
};
constexpr Color RESOURCE_COLORS[3] = {{0.4f, 0.85f, 1, 1}, {0.5f, 1, 0.55f, 1}, {0.9f, 0.6f, 1, 1}};
// Shields, wherever they show: around a plane, in the HUD's bar, in the shop.
constexpr Color SHIELD_COLOR = {0.45f, 0.75f, 1, 1};
constexpr Color SUN_RESOURCE_COLOR = {1, 0.85f, 0.5f, 0.9f};
constexpr Color STAR_COLORS[4] = {{1, 1, 1, 1}, {0.75f, 0.85f, 1, 1}, {1, 0.92f, 0.75f, 1}, {1, 0.8f, 0.75f, 1}};

// A slot byte may come from the wire: the colour is taken modulo 8.
constexpr Color player_color(uint8_t slot) { return PLAYER_COLORS[slot % 8]; }
constexpr Color resource_color(uint8_t resource) { return RESOURCE_COLORS[resource % 3]; }
