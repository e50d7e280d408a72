#pragma once
// Local stroke tables of the object drawings, shared by the world drawing and
// the break-ups that scatter the same strokes as wreck pieces.
#include "base/color.h"
#include "world/vec2.h"
#include "world/world.h"

struct Stroke {
    Vec2 a, b;
};

// Resource collector, around its hull origin, at scale 1 (upgraded: 1.4).
// Three arms, then the dish in three segments.
constexpr Stroke COLLECTOR_STROKES[6] = {
    {{-5.95f, 0}, {-11.9f, 0}},          {{5.95f, 0}, {11.9f, 0}},           {{0, 5.95f}, {0, 14.17f}},
    {{-10.42f, 18.46f}, {-3.9f, 14.17f}}, {{-3.9f, 14.17f}, {3.9f, 14.17f}}, {{3.9f, 14.17f}, {10.42f, 18.46f}},
};
constexpr float UPGRADED_COLLECTOR_SCALE = 1.4f;

// Upgrade station, around its hull origin: a 110-degree dish of radius 45
// about (-80, 0) in four segments, then two struts.
constexpr Stroke STATION_STROKES[6] = {
    {{-105.81f, 36.86f}, {-119.92f, 20.78f}},  {{-119.92f, 20.78f}, {-125, 0}},
    {{-125, 0}, {-119.92f, -20.78f}},          {{-119.92f, -20.78f}, {-105.81f, -36.86f}},
    {{-105.81f, 36.86f}, {-89.71f, 31.25f}},   {{-105.81f, -36.86f}, {-89.71f, -31.25f}},
};

// Exit vessel, around its hull origin: the closed hull and the deck outline.
constexpr Vec2 VESSEL_HULL[7] = {{145, 0}, {75, -64}, {-105, -74}, {-140, -42}, {-140, 42}, {-105, 74}, {75, 64}};
constexpr Vec2 VESSEL_DECK[4] = {{70, -40}, {-95, -48}, {-95, 48}, {70, 40}};
// The vessel's door (boarding line and lights) and its two engine lights.
constexpr Vec2 VESSEL_DOOR = {-10, 0};
constexpr Vec2 VESSEL_ENGINES[2] = {{-140, -26}, {-140, 26}};

// A plane's drawing frame: heading, its perpendicular, and the hull's nose
// and rear corners (the simulation's triangle).
struct PlaneFrame {
    Vec2 pos, dir, perp, nose, left, right;
};
PlaneFrame plane_frame(Vec2 pos, float angle);

// A rotation by a fixed angle, applied as R(angle) v.
struct Rotation {
    float c, s;
};
Rotation rotation(float angle);
constexpr Vec2 apply(Rotation r, Vec2 v) { return {v.x * r.c - v.y * r.s, v.x * r.s + v.y * r.c}; }

// The plain colour of object strokes.
constexpr Color OBJECT_COLOR = {0.45f, 0.7f, 1, 1};
// A turret or station shows its owner's colour while the owner's plane is
// present (an owner byte may come from the wire); everything else is plain.
Color owned_object_color(const World& w, const WorldObject& o);
