#include "screenshots/scenes.h"

#include <cmath>

#include "render/shapes.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

constexpr Vec2 STATION_HULL[5] = {{-105.81094f, 36.86184f}, {-119.91548f, 20.77869f}, {-125, 0},
                                  {-119.91548f, -20.778687f}, {-105.810936f, -36.861847f}};

// An object whose hull template (around its origin U) is placed with angle a.
WorldObject placed_hull(const Vec2* points, int n, float scale, Vec2 origin, float angle, uint8_t kind) {
    Vec2 world_points[MAX_HULL_POINTS];
    for (int i = 0; i < n; ++i) world_points[i] = origin + points[i] * scale;
    WorldObject o = polygon_body(world_points, n);
    Vec2 centroid = o.pos;
    o.hull_offset = origin - centroid;
    o.angle = angle;
    o.pos = origin - rotate(origin - centroid, angle);
    o.kind = kind;
    o.health = 50;
    return o;
}

void reset_copy(RenderCopy& copy, Vec2 camera, float time) {
    copy.world = World{};
    copy.camera = camera;
    copy.time = time;
    copy.local_slot = NONE;
    for (float& f : copy.shield_flash) f = 0;
    reset_effects(copy.effects);
}

void finish_copy(RenderCopy& copy) {
    for (int i = 0; i < MAX_PLANES; ++i) copy.drawn[i] = copy.world.planes[i].pos;
}

// Runs the effect lists over the world for a number of ticks, with the planes
// coasting along their velocities so that exhaust trails spread out.
void run_effects(RenderCopy& copy, int ticks) {
    World& w = copy.world;
    for (int t = 0; t < ticks; ++t) {
        for (Plane& p : w.planes) {
            if (!p.in_use || p.dead) continue;
            Vec2 step = p.vel * TICK;
            p.pos = wrap(p.pos + step, w.size);
            // A towed object and the hook holding it come along.
            if (p.hook_out && p.hook_state == HOOK_ATTACHED && p.hook_object < w.object_count) {
                p.hook_pos = wrap(p.hook_pos + step, w.size);
                WorldObject& towed = w.objects[p.hook_object];
                towed.pos = wrap(towed.pos + step, w.size);
            }
        }
        advance_effects(copy.effects, w, nullptr);
    }
}

}  // namespace

WorldObject make_scene_collector(Vec2 hull_origin, float angle, bool upgraded) {
    return placed_hull(COLLECTOR_HULL, 6, upgraded ? UPGRADED_COLLECTOR_SCALE : 1.0f, hull_origin, angle,
                       OBJECT_COLLECTOR);
}

WorldObject make_scene_turret(Vec2 centre, float aim) {
    Vec2 octagon[8];
    for (int k = 0; k < 8; ++k) {
        float a = static_cast<float>(k) * 0.7853982f;
        octagon[k] = centre + Vec2{14 * std::cos(a), 14 * std::sin(a)};
    }
    WorldObject o = polygon_body(octagon, 8);
    o.kind = OBJECT_TURRET;
    o.turret_aim = aim;
    o.health = 50;
    return o;
}

WorldObject make_scene_station(Vec2 origin, float angle) {
    WorldObject o = placed_hull(STATION_HULL, 5, 1, origin, angle, OBJECT_STATION);
    o.health = 100;
    return o;
}

WorldObject make_scene_vessel(Vec2 origin, float angle) {
    WorldObject o = placed_hull(VESSEL_HULL, 7, 1, origin, angle, OBJECT_VESSEL);
    o.health = 1;
    return o;
}

Plane make_scene_plane(uint8_t slot, Vec2 pos, float angle) {
    Plane p{};
    p.in_use = true;
    p.slot = slot;
    p.pos = pos;
    p.angle = angle;
    p.health = 150;
    p.boarding_vessel = NONE;
    return p;
}

CelestialBody make_scene_planet(Vec2 pos, uint8_t look, float phase, uint8_t resource) {
    return make_body(pos, false, resource, look, phase);
}

CelestialBody make_scene_sun(Vec2 pos) { return make_body(pos, true, 0, 0, 4.2f); }

void add_object(World& w, const WorldObject& o) {
    if (w.object_count < MAX_OBJECTS) w.objects[w.object_count++] = o;
}

void add_body(World& w, const CelestialBody& b) {
    if (w.body_count < MAX_BODIES) w.bodies[w.body_count++] = b;
}

void scene_menu(RenderCopy& copy, Vec2 camera, float time) {
    reset_copy(copy, camera, time);
    finish_copy(copy);
}

void scene_tutorial(RenderCopy& copy, int step) {
    World& w = copy.world;
    Vec2 spawn = {4800, 2754};
    reset_copy(copy, spawn, 12.5f);
    w.planes[0] = make_scene_plane(0, spawn, -1.5707964f);
    w.planes[0].has_radar = w.planes[0].has_minimap = true;
    copy.local_slot = 0;
    if (step >= 1) {
        // The first planet lies behind the plane, a collector on the way.
        add_object(w, make_scene_collector(spawn + Vec2{0, 250}, -1.5707964f, false));
        add_body(w, make_scene_planet(spawn + Vec2{0, 1650}, 2, 3.7f, 0));
    }
    if (step >= 2) {
        WorldObject stolen = make_scene_collector(spawn + Vec2{250, 0}, -0.57f, false);
        stolen.owner = 1;
        add_object(w, stolen);
        w.planes[1] = make_scene_plane(1, spawn + Vec2{520, -180}, 2.6f);
    }
    if (step >= 3) {
        Vec2 first = spawn + Vec2{0, 1650};
        add_body(w, make_scene_planet(first + Vec2{2500, 0}, 5, 1.9f, 1));
        add_object(w, make_scene_collector(first + Vec2{1250, 0}, 0.4f, false));
        add_body(w, make_scene_planet(first + Vec2{1250, -2165}, 1, 4.2f, 2));
        add_object(w, make_scene_collector(first + Vec2{625, -1083}, 0.4f, false));
    }
    if (step >= 4) add_body(w, make_scene_sun({1500, 1200}));

    // Look at what the step added, with the plane flying there.
    Vec2 views[TUTORIAL_SCENES] = {spawn, spawn + Vec2{0, 1250}, spawn + Vec2{150, 0},
                                   spawn + Vec2{2200, 1650}, {1500 + 560, 1200 + 120}};
    int index = step < 0 ? 0 : (step >= TUTORIAL_SCENES ? TUTORIAL_SCENES - 1 : step);
    copy.camera = views[index];
    w.planes[0].pos = copy.camera;
    if (step == 1) {
        // Towing the collector toward the planet.
        w.planes[0].angle = 1.5707964f;
        w.planes[0].thrust = true;
        w.planes[0].flame = 1;
        w.objects[0] = make_scene_collector(copy.camera + Vec2{-20, -150}, 0.2f, false);
        w.planes[0].hook_out = true;
        w.planes[0].hook_state = HOOK_ATTACHED;
        w.planes[0].hook_pos = copy.camera + Vec2{-25, -128};
        w.planes[0].hook_object = 0;
        w.planes[0].rope_length = 140;
    }
    if (step == 3) {
        w.objects[2].pos = copy.camera + Vec2{-120, 60};
        w.objects[2].gather_timer = 1.1f;
        w.objects[2].owner = 0;
        w.planes[0].resources[0] = 20;
    }
    if (step == 4) {
        WorldObject upgraded = make_scene_collector(copy.camera + Vec2{-120, -170}, 0.9f, true);
        upgraded.upgraded = true;
        upgraded.owner = 0;
        upgraded.gather_timer = 0.9f;
        add_object(w, upgraded);
        w.planes[0].has_sun_shield = true;
        w.planes[0].angle = -2.2f;
    }
    if (step == 1) w.planes[0].vel = {0, 120};
    finish_copy(copy);
    run_effects(copy, 90);
    copy.camera = w.planes[0].pos;  // the camera follows the plane
    finish_copy(copy);
}

void scene_busy(RenderCopy& copy) {
    World& w = copy.world;
    Vec2 c = {6200, 3100};
    reset_copy(copy, c, 42.0f);
    add_body(w, make_scene_planet(c + Vec2{-720, 380}, 1, 2.35f, 2));
    add_body(w, make_scene_sun(c + Vec2{1150, -560}));

    // Collectors: plain, gathering for player 2, upgraded, and one under upgrade.
    add_object(w, make_scene_collector(c + Vec2{-420, 90}, 0.3f, false));
    WorldObject gathering = make_scene_collector(c + Vec2{-560, 170}, 1.2f, false);
    gathering.owner = 2;
    gathering.gather_timer = 1.25f;
    add_object(w, gathering);
    WorldObject upgraded = make_scene_collector(c + Vec2{420, 260}, -0.6f, true);
    upgraded.upgraded = true;
    upgraded.owner = 4;
    upgraded.gather_timer = 0.6f;
    add_object(w, upgraded);

    // A station of player 3 upgrading a collector inside its sphere.
    WorldObject station = make_scene_station(c + Vec2{-160, -250}, 3.4f);
    station.owner = 3;
    add_object(w, station);
    WorldObject captured = make_scene_collector(c + Vec2{-150, -215}, 2.0f, false);
    captured.upgrading_station = 3;
    captured.upgrade_timer = 9;
    add_object(w, captured);

    // Turrets: one of player 1, one upgraded of player 5.
    add_object(w, make_scene_turret(c + Vec2{250, -120}, 2.4f));
    w.objects[5].owner = 1;
    WorldObject turret = make_scene_turret(c + Vec2{560, -30}, -2.6f);
    turret.upgraded = true;
    turret.owner = 5;
    add_object(w, turret);

    // An exit vessel with a plane boarding it, and an object about to break up.
    add_object(w, make_scene_vessel(c + Vec2{-330, -30} + Vec2{-200, 60}, 0.15f));
    add_object(w, make_scene_collector(c + Vec2{120, 330}, 0.8f, false));

    const Vec2 plane_spots[MAX_PLANES] = {{0, 0},      {-260, 180}, {330, 120},  {80, -300},
                                          {-600, -210}, {620, 200},  {180, 200},  {-420, -40}};
    const float angles[MAX_PLANES] = {-0.4f, 0.8f, 2.6f, 1.6f, -0.2f, 3.6f, -2.0f, 0.1f};
    for (int i = 0; i < MAX_PLANES; ++i) {
        Plane p = make_scene_plane(static_cast<uint8_t>(i), c + plane_spots[i], angles[i]);
        p.vel = Vec2{std::cos(angles[i]), std::sin(angles[i])} * 180;
        p.thrust = i % 2 == 0;
        p.flame = p.thrust ? 1.0f : 0.0f;
        w.planes[i] = p;
    }
    w.planes[0].shield = 50;
    w.planes[2].shield = 20;
    w.planes[1].has_sun_shield = true;
    w.planes[4].has_sun_shield = true;
    w.planes[7].boarding_vessel = 7;
    w.planes[7].boarding_timer = 3.2f;
    w.planes[7].pos = c + Vec2{-520, 50};
    w.planes[7].vel = {0, 0};
    copy.shield_flash[2] = 0.2f;

    // Shots across the middle.
    for (int i = 0; i < 12; ++i) {
        float a = -0.4f + 0.05f * static_cast<float>(i);
        Shot s{};
        s.pos = c + Vec2{60.0f + 40 * static_cast<float>(i), -20.0f - 12 * static_cast<float>(i)};
        s.vel = Vec2{std::cos(a), std::sin(a)} * 900;
        s.owner = 0;
        w.shots[w.shot_count++] = s;
    }

    // Player 6 tows the plain collector on its rope.
    Plane& tower = w.planes[6];
    tower.hook_out = true;
    tower.hook_state = HOOK_ATTACHED;
    tower.hook_pos = w.objects[0].pos;
    tower.hook_object = 0;
    tower.rope_length = 300;

    finish_copy(copy);
    run_effects(copy, 60);
    // Player 5 and the last collector break up a moment before the picture.
    w.planes[5].dead = true;
    w.objects[8].destroyed = true;
    run_effects(copy, 12);
    finish_copy(copy);
}
