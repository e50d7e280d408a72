#include "world/gathering.h"

#include <cmath>

#include "world/forces.h"
#include "world/geometry.h"
#include "world/world_limits.h"

int orbited_body(const World& w, Vec2 p, Vec2 v) {
    int n = body_limit(w);
    for (int i = 0; i < n; ++i) {
        const CelestialBody& b = w.bodies[i];
        Vec2 d = wrapped_delta(p, b.pos, w.size);
        float dist = length(d);
        float window = reach_of(b).orbit_window;
        float h = dist - b.radius;
        if (!(0.0f <= h && h <= window)) continue;
        float vo = circular_speed(b, dist);
        Vec2 normal = -d / dist;
        Vec2 tangent{-normal.y, normal.x};
        float tolerance = ORBIT_TOLERANCE * vo;
        if (std::fabs(dot(v, normal)) < tolerance && std::fabs(std::fabs(dot(v, tangent)) - vo) < tolerance) return i;
    }
    return -1;
}

namespace {

void credit(World& w, const WorldObject& o, const CelestialBody& b) {
    if (!is_slot(o.owner)) return;
    Plane& owner = w.planes[o.owner];
    if (!owner.in_use) return;  // a dead owner is still credited
    uint32_t amount = w.rules.gather_amount;
    if (b.is_sun) {
        owner.sun_resource += amount;
    } else {
        owner.resources[b.resource % RESOURCE_KINDS] += amount << (o.upgraded ? 1 : 0);
    }
}

}  // namespace

void gather(World& w) {
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        WorldObject& o = w.objects[i];
        if (o.kind != OBJECT_COLLECTOR) continue;
        int body = orbited_body(w, o.pos, o.vel);
        if (body < 0 || o.destroyed || o.free || (w.bodies[body].is_sun && !o.upgraded)) {
            o.gather_timer = 0;
            continue;
        }
        float old = o.gather_timer;
        o.gather_timer = old + TICK;
        // Floors compared as floats: a timer from the wire may be far beyond any integer.
        bool crossed = std::floor(o.gather_timer / GATHER_INTERVAL) > std::floor(old / GATHER_INTERVAL);
        if (old != 0.0f && !crossed) continue;
        push_event_at(w, EVENT_GATHER, o.pos, is_slot(o.owner) ? o.owner : NONE);
        credit(w, o, w.bodies[body]);
    }
}
