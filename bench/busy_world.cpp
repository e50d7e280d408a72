#include "busy_world.h"

#include "world/generate.h"
#include "world/geometry.h"
#include "world/hooks.h"
#include "world/purchases.h"

// Eight planes turning, thrusting and firing with their hooks out, among 64
// objects of every kind and 64 shots, around the sun and three planets.
World busy_world() {
    World w{};
    generate_world(w);
    w.object_count = 0;
    w.bodies[0] = make_body({7200, 2700}, true, 0);
    w.bodies[1] = make_body({1500, 1300}, false, 0);
    w.bodies[2] = make_body({1500, 4100}, false, 1);
    w.bodies[3] = make_body({4300, 2700}, false, 2);
    w.body_count = 4;

    // Collectors in orbit, ten around each planet.
    for (int i = 0; i < 30; ++i) {
        const CelestialBody& b = w.bodies[1 + i % 3];
        float at = 0.6283185f * static_cast<float>(i / 3);
        Vec2 out = rotate({1, 0}, at);
        WorldObject c = make_collector({0, 0}, at, w.rules);
        c.pos = wrap(b.pos + out * 300.0f, w.size);
        c.vel = Vec2{-out.y, out.x} * 146.0f;
        c.owner = static_cast<uint8_t>(i % 8);
        w.objects[w.object_count++] = c;
    }
    // Turrets, stations and vessels bought by planes spread over a crowded patch.
    const uint8_t kinds[3] = {OBJECT_TURRET, OBJECT_STATION, OBJECT_VESSEL};
    for (int i = 0; w.object_count < MAX_OBJECTS; ++i) {
        Plane& buyer = w.planes[i % 8];
        buyer.pos = {3000.0f + 230.0f * static_cast<float>(i % 6), 600.0f + 260.0f * static_cast<float>(i / 6)};
        buyer.angle = 0.4f * static_cast<float>(i);
        place_object(w, i % 8, kinds[i % 3]);
    }
    for (uint8_t s = 0; s < MAX_PLANES; ++s) {
        spawn_plane(w, s);
        Plane& p = w.planes[s];
        p.pos = {3100.0f + 120.0f * s, 900.0f + 90.0f * (s % 3)};
        p.angle = 0.8f * s;
        p.vel = rotate({150, 0}, p.angle);
        p.turn_left = s % 2 == 0;
        p.turn_right = s % 2 == 1;
        p.thrust = true;
        p.fire = true;
        p.hook_key = true;
        fire_hook(w, p);
        p.hook_key_was_down = true;
    }
    for (int i = 0; i < MAX_SHOTS; ++i) {
        Shot& s = w.shots[i];
        s.pos = {2900.0f + 37.0f * static_cast<float>(i), 500.0f + 23.0f * static_cast<float>(i % 40)};
        s.vel = rotate({900, 0}, 0.1f * static_cast<float>(i));
        s.age = 0.01f * static_cast<float>(i % 70);
        s.damage = 10;
        s.owner = static_cast<uint8_t>(i % 8);
    }
    w.shot_count = MAX_SHOTS;
    w.event_count = 0;
    return w;
}
