// The small drawings in the shop's cells, built from the shapes the world
// draws, scaled down. Lines keep at least the width of a fine interface line.
#include <cmath>

#include "render/map_colors.h"
#include "render/panels.h"
#include "render/shapes.h"
#include "render/shop.h"
#include "render/ui_colors.h"
#include "world/geometry.h"

namespace {

constexpr float HALF_PI = PI / 2;
constexpr Color SUN_SHIELD_EDGE = {1, 0.55f, 0.12f, 1};
constexpr Color SUN_SHIELD_GLOW = {1, 0.45f, 0.05f, 0.45f};
constexpr Color DOME_LIGHT = {0.35f, 0.85f, 1, 1};
constexpr Color DOME_DEEP = {0.75f, 0.45f, 1, 1};

// A world line radius at drawing scale s, never finer than 0.75 u.
float line(float radius, float s, float u) { return std::fmax(radius * s, 0.75f * u); }

struct Placed {
    Vec2 centre;
    float s;
    Vec2 operator()(Vec2 q) const { return centre + q * s; }
};

// The plane's body at `at` with heading `angle`: the four strokes of the world.
void push_plane_body(CapsuleList& list, Vec2 at, float angle, float s, float u, Color c) {
    const PlaneFrame f = plane_frame({0, 0}, angle);
    const Placed p{at, s};
    const Vec2 mid_left = f.nose + 0.55f * (f.left - f.nose);
    const Vec2 mid_right = f.nose + 0.55f * (f.right - f.nose);
    const float width = line(2.5f, s, u);
    push_segment(list, p(f.nose), p(mid_left), width, c);
    push_segment(list, p(f.nose), p(mid_right), width, c);
    push_segment(list, p(mid_left), p(f.left), width, c);
    push_segment(list, p(mid_right), p(f.right), width, c);
}

// Plane nose up, its triangle centred on `centre`.
Vec2 upright_plane_position(Vec2 centre, float s) { return centre + Vec2{0, 2 * s}; }

void push_turret_item(CapsuleList& list, Vec2 centre, float u, Color owner) {
    const float s = 1.3f * u;
    const Vec2 at = centre + Vec2{-5 * u, 5 * u};
    const float aim = -0.75f;
    push_disc(list, at, 16.5f * s, owner);
    push_disc(list, at, 11.5f * s, scale_rgb(owner, 0.3f));
    push_segment(list, at, at + 24 * s * Vec2{std::cos(aim), std::sin(aim)}, 3 * s, owner);
}

void push_shield_item(CapsuleList& list, Vec2 centre, float u, Color owner) {
    const float s = 1.15f * u;
    const float rs = 30 * s;
    push_blob(list, centre, rs, with_alpha(SHIELD_COLOR, 0.25f));
    push_soft_ring(list, centre, rs, 7 * s, with_alpha(SHIELD_COLOR, 0.35f));
    push_plane_body(list, upright_plane_position(centre, s), -HALF_PI, s, u, owner);
    push_ring(list, centre, rs, line(0.8f, s, u), with_alpha(SHIELD_COLOR, 0.9f));
}

// A view's frame with the own plane in the middle and blips on the edges.
void push_radar_item(CapsuleList& list, Vec2 centre, float u, Color owner) {
    const Vec2 half = {56 * u, 31 * u};
    const Vec2 a = centre - half;
    const Vec2 b = centre + half;
    push_frame(list, {a.x, a.y, 2 * half.x, 2 * half.y}, 0, 0.75f * u, FRAME_COLOR);
    push_plane_body(list, upright_plane_position(centre, 0.9f * u), -HALF_PI, 0.9f * u, u, owner);
    const float inset = 6 * u;
    push_disc(list, {b.x - inset, centre.y - 12 * u}, 4 * u, player_color(1));
    push_disc(list, {centre.x - 30 * u, a.y + inset}, 4 * u, with_alpha(player_color(3), 0.6f));
    push_disc(list, {a.x + inset, centre.y + 18 * u}, 6.4f * u, with_alpha(VESSEL_MARK_COLOR, 0.8f));
    push_disc(list, {centre.x + 20 * u, b.y - inset}, 4 * u, with_alpha(OBJECT_COLOR, 0.4f));
}

// A world in a box: the sun, two planets with their orbit rings, structures
// and planes.
void push_minimap_item(CapsuleList& list, Vec2 centre, float u, Color owner) {
    const Vec2 half = {56 * u, 31.5f * u};
    push_frame(list, {centre.x - half.x, centre.y - half.y, 2 * half.x, 2 * half.y}, 0, 0.75f * u, FRAME_COLOR);
    const Placed p{centre, u};
    push_disc(list, p({-30, -8}), 6 * u, with_alpha(SUN_MARK_COLOR, 0.8f));
    const Vec2 planets[2] = {{22, -12}, {8, 17}};
    for (int i = 0; i < 2; ++i) {
        push_disc(list, p(planets[i]), 3.5f * u, with_alpha(resource_color(static_cast<uint8_t>(i)), 0.8f));
        push_ring(list, p(planets[i]), 9 * u, 0.6f * u, resource_color(static_cast<uint8_t>(i)));
    }
    push_disc(list, p({32, 6}), 2.5f * u, OBJECT_COLOR);
    push_disc(list, p({-12, 16}), 5 * u, VESSEL_MARK_COLOR);
    push_blob(list, p({-8, -4}), 9 * u, {1, 1, 1, 0.25f});
    push_disc(list, p({-8, -4}), 2.5f * u, owner);
    push_disc(list, p({40, -22}), 2.5f * u, player_color(2));
}

void push_sun_shield_item(CapsuleList& list, Vec2 centre, float u, Color owner) {
    const float s = 1.6f * u;
    const Vec2 at = upright_plane_position(centre, s);
    const PlaneFrame f = plane_frame({0, 0}, -HALF_PI);
    const Placed p{at, s};
    push_soft(list, p(f.nose), p(f.left), 9 * s, SUN_SHIELD_GLOW);
    push_soft(list, p(f.nose), p(f.right), 9 * s, SUN_SHIELD_GLOW);
    push_segment(list, p(f.nose), p(f.left), 4 * s, SUN_SHIELD_EDGE);
    push_segment(list, p(f.nose), p(f.right), 4 * s, SUN_SHIELD_EDGE);
    push_plane_body(list, at, -HALF_PI, s, u, owner);
}

// The dome is a sphere in the world; here a glow inside its rim.
void push_station_item(CapsuleList& list, Vec2 centre, float u, Color owner) {
    const float s = 0.34f * u;
    const Placed p{centre + Vec2{15 * s, 0}, s};
    push_blob(list, p({0, 0}), 95 * s, with_alpha(DOME_DEEP, 0.55f));
    push_blob(list, p({-25, -30}), 50 * s, with_alpha(DOME_LIGHT, 0.45f));
    push_ring(list, p({0, 0}), 95 * s, line(1.5f, s, u), with_alpha(DOME_LIGHT, 0.8f));
    for (int k = 0; k < 6; ++k) {
        const Stroke& stroke = STATION_STROKES[k];
        push_segment(list, p(stroke.a), p(stroke.b), line(k < 4 ? 3.0f : 1.5f, s, u), owner);
    }
}

void push_vessel_item(CapsuleList& list, Vec2 centre, float u) {
    const float s = 0.24f * u;
    const Placed p{centre + Vec2{-2.5f * s, 0}, s};
    push_blob(list, p(VESSEL_DOOR), 110 * s, {1, 0.85f, 0.5f, 0.2f});
    for (Vec2 engine : VESSEL_ENGINES) push_blob(list, p(engine), 22 * s, {1, 0.55f, 0.2f, 0.7f});
    for (int k = 0; k < 7; ++k) push_segment(list, p(VESSEL_HULL[k]), p(VESSEL_HULL[(k + 1) % 7]), line(2.5f, s, u), VESSEL_MARK_COLOR);
    for (int k = 0; k < 4; ++k) {
        push_segment(list, p(VESSEL_DECK[k]), p(VESSEL_DECK[(k + 1) % 4]), line(1.2f, s, u),
                     with_alpha(VESSEL_MARK_COLOR, 0.45f));
    }
}

}  // namespace

void push_item_drawing(CapsuleList& list, int k, Vec2 centre, float u, Color owner) {
    switch (k) {
    case 0: push_turret_item(list, centre, u, owner); break;
    case 1: push_shield_item(list, centre, u, owner); break;
    case 2: push_radar_item(list, centre, u, owner); break;
    case 3: push_minimap_item(list, centre, u, owner); break;
    case 4: push_sun_shield_item(list, centre, u, owner); break;
    case 5: push_station_item(list, centre, u, owner); break;
    case 6: push_vessel_item(list, centre, u); break;
    default: break;
    }
}
