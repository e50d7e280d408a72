#pragma once
// Spherical bodies drawn by the planet pipeline: lit planets with rings, the
// sun, station domes and nebula clouds, all procedural in the shader.
#include <cstdint>
#include <type_traits>

#include "base/color.h"

// Style values carried in look[2] (compared with thresholds in the shader).
constexpr float STYLE_ROCKY = 0;
constexpr float STYLE_GAS = 1;
constexpr float STYLE_TERRAN = 2;
constexpr float STYLE_LAVA = 3;
constexpr float STYLE_SUN = 4;
constexpr float STYLE_DOME = 5;
constexpr float STYLE_NEBULA = 6;

// The planet pipeline's programs, one per drawn style (nebulae have their
// own pipeline): 0 rocky, 1 gas, 2 terran, 3 lava, 4 sun, 5 dome.
constexpr int PLANET_PROGRAMS = 6;

// Which program draws a style value, by the shader's thresholds.
inline int planet_program_index(float style) {
    if (style > 4.5f) return 5;
    if (style > 3.5f) return 4;
    if (style < 0.5f) return 0;
    if (style < 1.5f) return 1;
    if (style < 2.5f) return 2;
    return 3;
}

// Six vec4 attributes: shape (centre, radius, seed), look (light direction,
// style, ring rotation), ring (inner, outer, height, unused), two colours and
// the ring colour (alpha 0: no ring).
struct PlanetInstance {
    float shape[4];
    float look[4];
    float ring[4];
    Color color_a;
    Color color_b;
    Color ring_color;
};
static_assert(sizeof(PlanetInstance) == 96);
static_assert(std::is_trivially_copyable_v<PlanetInstance>);

constexpr uint32_t PLANET_CAPACITY = 48;

struct PlanetList {
    PlanetInstance items[PLANET_CAPACITY];
    uint32_t count = 0;
};

inline void push_planet(PlanetList& list, const PlanetInstance& p) {
    if (list.count >= PLANET_CAPACITY) return;
    list.items[list.count++] = p;
}

// One row of the planet look table.
struct PlanetLook {
    Color color_a;  // alpha 1
    Color color_b;
    Color ring_color;  // alpha 0: no ring
    float style;
};

constexpr int PLANET_LOOK_COUNT = 8;
extern const PlanetLook PLANET_LOOKS[PLANET_LOOK_COUNT];

// The row for a look index. The index may come from the wire: one outside the
// table gets a plain grey rocky row instead of reading past it.
const PlanetLook& planet_look(uint8_t look);
