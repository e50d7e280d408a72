#pragma once
// Hand-built scenes for the screenshot tool, the image tests and the
// benchmarks. Each fills a render copy: the world, the camera, the clock and
// the effect lists.
#include "render/world_view.h"

// The menu background: the empty starry world under a drifting camera.
void scene_menu(RenderCopy& copy, Vec2 camera, float time);

// The tutorial's layouts, step by step: 0 the plane alone, 1 a collector and
// the first planet, 2 another player's collector, 3 two more planets with
// their collectors, 4 the sun with an upgraded collector in orbit. The camera
// looks at what was added.
constexpr int TUTORIAL_SCENES = 5;
void scene_tutorial(RenderCopy& copy, int step);

// Every kind of thing at once: planes with flames, shields and sun shields,
// shots, collectors (gathering, upgraded, under upgrade), turrets, a station
// with its dome, an exit vessel being boarded, a hook rope, wrecks, sparks and
// smoke, with a planet and the sun at the edges.
void scene_busy(RenderCopy& copy);

// Building blocks for tests.
WorldObject make_scene_collector(Vec2 hull_origin, float angle, bool upgraded);
WorldObject make_scene_turret(Vec2 centre, float aim);
WorldObject make_scene_station(Vec2 origin, float angle);
WorldObject make_scene_vessel(Vec2 origin, float angle);
Plane make_scene_plane(uint8_t slot, Vec2 pos, float angle);
CelestialBody make_scene_planet(Vec2 pos, uint8_t look, float phase, uint8_t resource);
CelestialBody make_scene_sun(Vec2 pos);
void add_object(World& w, const WorldObject& o);
void add_body(World& w, const CelestialBody& b);
