#include "world/objects.h"

#include "world/damage.h"
#include "world/forces.h"
#include "world/geometry.h"
#include "world/world_limits.h"

void integrate_object(World& w, WorldObject& o) {
    Vec2 a;
    if (o.kind == OBJECT_STATION || o.kind == OBJECT_VESSEL) a = -gravity(w, o.pos);
    else a = gravity(w, o.pos) + orbit_assist(w, o.pos, o.vel);
    o.vel += a * TICK;
    o.pos = wrap(o.pos + o.vel * TICK, w.size);
    o.angle = wrap_angle(o.angle + o.spin * TICK);
}

void update_objects(World& w) {
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        WorldObject& o = w.objects[i];
        if (o.destroyed) update_destroyed_object(w, o);
        else if (!o.free) integrate_object(w, o);
    }
}
