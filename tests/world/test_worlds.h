#pragma once
// Small worlds for the simulation tests: bodies, planes and placed objects
// built by hand, without going through a purchase.
#include "world/generate.h"
#include "world/geometry.h"
#include "world/world.h"

namespace test_worlds {

inline CelestialBody sun_at(Vec2 pos) { return make_body(pos, true, 0); }

inline CelestialBody planet_at(Vec2 pos, uint8_t resource) {
    return make_body(pos, false, resource, static_cast<uint8_t>(resource + 1));
}

// An empty world (no objects, no bodies) with rules at their initial values.
inline World empty_world() {
    World w{};
    w.winner = NONE;
    return w;
}

inline void add_body(World& w, const CelestialBody& b) { w.bodies[w.body_count++] = b; }

inline int add_object(World& w, const WorldObject& o) {
    w.objects[w.object_count] = o;
    return static_cast<int>(w.object_count++);
}

// How many events of `kind` the last tick (or phase) left.
inline int count_events(const World& w, uint8_t kind) {
    int n = 0;
    for (uint64_t i = 0; i < w.event_count; ++i) n += w.events[i].kind == kind;
    return n;
}

inline Plane& live_plane(World& w, uint8_t slot, Vec2 pos, float angle = 0.0f) {
    Plane& p = w.planes[slot];
    p = Plane{};
    p.in_use = true;
    p.slot = slot;
    p.pos = pos;
    p.angle = angle;
    p.health = w.rules.plane_health;
    p.boarding_vessel = NONE;
    return p;
}

// An object of `kind` whose template (around its hull origin) lands with the
// hull origin on `origin`, turned by `angle`.
inline WorldObject placed(const Vec2* points, int n, Vec2 origin, float angle, uint8_t kind, uint8_t owner) {
    WorldObject o = polygon_body(points, n);
    Vec2 c = o.pos;
    o.hull_offset = Vec2{0, 0} - c;
    o.pos = origin - rotate(o.hull_offset, angle);
    o.angle = angle;
    o.kind = kind;
    o.owner = owner;
    o.health = 50;
    return o;
}

inline WorldObject turret_at(Vec2 pos, uint8_t owner) {
    Vec2 octagon[8];
    for (int k = 0; k < 8; ++k) octagon[k] = rotate({14, 0}, static_cast<float>(k) * 0.7853982f);
    WorldObject o = placed(octagon, 8, pos, 0, OBJECT_TURRET, owner);
    o.hull_offset = {0, 0};
    o.pos = pos;
    return o;
}

inline WorldObject station_at(Vec2 origin, float angle, uint8_t owner) {
    const Vec2 cap[5] = {{-105.81094f, 36.86184f},
                         {-119.91548f, 20.77869f},
                         {-125, 0},
                         {-119.91548f, -20.778687f},
                         {-105.810936f, -36.861847f}};
    WorldObject o = placed(cap, 5, origin, angle, OBJECT_STATION, owner);
    set_fixed_mass(o, 2.5f);
    o.inertia = 3062.5f;
    return o;
}

inline WorldObject vessel_at(Vec2 origin, float angle, uint8_t owner) {
    const Vec2 hull[7] = {{145, 0}, {75, -64}, {-105, -74}, {-140, -42}, {-140, 42}, {-105, 74}, {75, 64}};
    WorldObject o = placed(hull, 7, origin, angle, OBJECT_VESSEL, owner);
    o.mass = 6.0f;
    o.inertia = 29400.0f;
    o.health = 1;
    return o;
}

}  // namespace test_worlds
