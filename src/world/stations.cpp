#include "world/stations.h"

#include "world/generate.h"
#include "world/geometry.h"
#include "world/hooks.h"
#include "world/world_limits.h"

namespace {

bool is_active_station(const WorldObject& s) { return s.kind == OBJECT_STATION && !s.destroyed && !s.free; }

bool can_be_captured(const WorldObject& o) {
    return (o.kind == OBJECT_COLLECTOR || o.kind == OBJECT_TURRET) && !o.destroyed && !o.free && !o.upgraded &&
           o.upgrading_station == NONE;
}

void capture(World& w) {
    int count = object_limit(w);
    for (int s = 0; s < count; ++s) {
        if (!is_active_station(w.objects[s])) continue;
        Vec2 centre = station_centre(w.objects[s]);
        for (int i = 0; i < count; ++i) {
            WorldObject& o = w.objects[i];
            if (!can_be_captured(o)) continue;
            float dist = length(wrapped_delta(centre, o.pos, w.size));
            if (!(dist <= STATION_SPHERE)) continue;
            o.upgrading_station = static_cast<uint8_t>(s);
            o.upgrade_timer = 0;
            o.upgrade_radius = dist > STATION_MIN_RADIUS ? dist : STATION_MIN_RADIUS;
            push_event_at(w, EVENT_CATCH, o.pos);
        }
    }
}

void release(WorldObject& o) {
    o.upgrading_station = NONE;
    o.upgrade_timer = 0;
}

void finish_upgrade(World& w, WorldObject& o) {
    release(o);
    if (o.kind == OBJECT_TURRET) {
        o.upgraded = true;
        o.health = static_cast<uint16_t>(w.rules.turret_health * 2);
    } else if (o.kind == OBJECT_COLLECTOR) {
        upgrade_collector(o, w.size);
    }
    push_event_at(w, EVENT_UPGRADED, o.pos, is_slot(o.owner) ? o.owner : NONE, o.kind);
}

// The spring that draws a captured object to the sphere's centre; the station
// takes the reaction.
void pull(World& w, WorldObject& o, WorldObject& station) {
    float radius = o.upgrade_radius - STATION_RADIUS_SHRINK;
    o.upgrade_radius = radius > STATION_MIN_RADIUS ? radius : STATION_MIN_RADIUS;
    Vec2 centre = station_centre(station);
    Vec2 D = wrapped_delta(o.pos, centre, w.size);
    float c = length(D);
    if (!(c >= 0.001f && c > o.upgrade_radius)) return;
    Vec2 n = D / c;
    Vec2 arm = centre - station.pos;
    Vec2 station_vel = station.vel + Vec2{station.spin * -arm.y, station.spin * arm.x};
    float rel = dot(station_vel - o.vel, n);
    float spring = (c - o.upgrade_radius) * ROPE_STIFFNESS + rel * ROPE_DAMPING;
    float J = (spring > 0.0f ? spring : 0.0f) * TICK * o.mass;
    o.vel += n * J / o.mass;
    station.vel -= n * J / station.mass;
    station.spin += (arm.x * (-n.y * J) - arm.y * (-n.x * J)) / station.inertia;
}

void progress(World& w) {
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        WorldObject& o = w.objects[i];
        if (o.upgrading_station == NONE) continue;
        uint8_t s = o.upgrading_station;
        if (!is_object_index(w, s) || !is_active_station(w.objects[s]) || o.destroyed || o.free) {
            release(o);
            continue;
        }
        o.upgrade_timer += TICK;
        if (o.upgrade_timer >= w.rules.upgrade_time) {
            finish_upgrade(w, o);
        } else {
            pull(w, o, w.objects[s]);
        }
    }
}

}  // namespace

Vec2 station_centre(const WorldObject& station) { return hull_origin_world(station); }

void upgrade_collector(WorldObject& o, Vec2 size) {
    Vec2 hull_origin = hull_origin_world(o);
    take_shape(o, collector_shape(true));
    o.pos = wrap(hull_origin - rotate(o.hull_offset, o.angle), size);
    o.upgraded = true;
    o.gather_timer = 0;
    o.upgrade_radius = 0;
    o.respawn_timer = 0;
    o.heat = 0;
    o.turret_aim = 0;
    o.turret_cooldown = 0;
    o.destroyed = false;
}

void update_stations(World& w) {
    capture(w);
    progress(w);
}
