#pragma once
// Colours that mark things on the minimap and the radar.
#include "base/color.h"
#include "render/planets.h"
#include "world/world.h"

constexpr Color STATION_MARK_COLOR = {0.35f, 0.85f, 1, 1};
constexpr Color VESSEL_MARK_COLOR = {1, 0.88f, 0.55f, 1};
constexpr Color SUN_MARK_COLOR = {1, 0.7f, 0.2f, 1};

// The brighter (larger r + g + b) of a planet look's two colours.
Color brighter_look_color(const PlanetLook& look);

// A body's colour on the minimap (alpha 1): the sun's orange, or its look's
// brighter colour.
Color body_mark_color(const CelestialBody& b);

// An upgrade station or exit vessel in its own colour, a turret in its
// owner's colour while the owner's plane is present, anything else plain.
Color structure_color(const World& w, const WorldObject& o);
