#include "world/purchases.h"

#include "world/damage.h"
#include "world/fmath.h"
#include "world/geometry.h"
#include "world/world_limits.h"

namespace {

constexpr float PLACE_BEHIND = 10.0f;  // the buyer's tail, then the distance below
constexpr float TURRET_DISTANCE = 30.0f;
constexpr float STATION_DISTANCE = 165.0f;
constexpr float VESSEL_DISTANCE = 200.0f;

constexpr float OCTAGON_DIAGONAL = 9.899495f;  // 14 cos 45 degrees
constexpr Vec2 TURRET_HULL[8] = {{14.0f, 0.0f},
                                 {OCTAGON_DIAGONAL, OCTAGON_DIAGONAL},
                                 {0.0f, 14.0f},
                                 {-OCTAGON_DIAGONAL, OCTAGON_DIAGONAL},
                                 {-14.0f, 0.0f},
                                 {-OCTAGON_DIAGONAL, -OCTAGON_DIAGONAL},
                                 {0.0f, -14.0f},
                                 {OCTAGON_DIAGONAL, -OCTAGON_DIAGONAL}};
constexpr Vec2 STATION_HULL[5] = {{-105.81094f, 36.86184f},
                                  {-119.91548f, 20.77869f},
                                  {-125.0f, 0.0f},
                                  {-119.91548f, -20.778687f},
                                  {-105.810936f, -36.861847f}};
constexpr Vec2 VESSEL_HULL[7] = {{145.0f, 0.0f},   {75.0f, -64.0f}, {-105.0f, -74.0f}, {-140.0f, -42.0f},
                                 {-140.0f, 42.0f}, {-105.0f, 74.0f}, {75.0f, 64.0f}};
constexpr float STATION_MASS = 2.5f;
constexpr float STATION_INERTIA = 3062.5f;
constexpr float VESSEL_MASS = 6.0f;
constexpr float VESSEL_INERTIA = 29400.0f;

struct Template {
    const Vec2* points;
    int count;
    float distance;
};

Template template_of(uint8_t kind) {
    switch (kind) {
        case OBJECT_TURRET: return {TURRET_HULL, 8, TURRET_DISTANCE};
        case OBJECT_STATION: return {STATION_HULL, 5, STATION_DISTANCE};
        default: return {VESSEL_HULL, 7, VESSEL_DISTANCE};
    }
}

// The polygon record of the template laid around the hull origin U, turned by
// theta about U, with the centre of mass placed so that U stays put.
WorldObject build_at(const Template& t, Vec2 U, float theta) {
    Vec2 placed[MAX_HULL_POINTS];
    for (int i = 0; i < t.count; ++i) placed[i] = U + t.points[i];
    WorldObject o = polygon_body(placed, t.count);
    Vec2 centroid = o.pos;
    o.hull_offset = U - centroid;
    o.pos = U - rotate(U - centroid, theta);
    o.angle = theta;
    return o;
}

bool buy_by_sum(Plane& p, uint32_t cost) {
    if (resource_sum(p) < cost) return false;
    pay_from_largest(p.resources, cost);
    return true;
}

bool buy(World& w, int slot, uint8_t item) {
    Plane& p = w.planes[slot];
    const Rules& r = w.rules;
    switch (item) {
        case ITEM_TURRET:
            if (resource_sum(p) < r.turret_cost || !place_object(w, slot, OBJECT_TURRET)) return false;
            pay_from_largest(p.resources, r.turret_cost);
            return true;
        case ITEM_SHIELD:
            if (!buy_by_sum(p, r.shield_cost)) return false;
            p.shield = r.shield_strength;
            return true;
        case ITEM_RADAR:
            if (p.has_radar || !buy_by_sum(p, r.radar_cost)) return false;
            p.has_radar = true;
            return true;
        case ITEM_MINIMAP:
            if (!p.has_radar || p.has_minimap || !buy_by_sum(p, r.minimap_cost)) return false;
            p.has_minimap = true;
            return true;
        case ITEM_SUN_SHIELD:
            if (p.has_sun_shield || !buy_by_sum(p, r.sun_shield_cost)) return false;
            p.has_sun_shield = true;
            return true;
        case ITEM_UPGRADE_STATION:
            for (uint32_t pile : p.resources)
                if (pile < r.upgrade_station_cost) return false;
            if (!place_object(w, slot, OBJECT_STATION)) return false;
            for (uint32_t& pile : p.resources) pile -= r.upgrade_station_cost;
            return true;
        case ITEM_EXIT_VESSEL:
            if (p.sun_resource < r.exit_vessel_cost || !place_object(w, slot, OBJECT_VESSEL)) return false;
            p.sun_resource -= r.exit_vessel_cost;
            return true;
        default:
            return false;
    }
}

int largest_pile(const uint32_t r[RESOURCE_KINDS]) {
    uint32_t upper = r[0] > r[1] ? r[0] : r[1];
    if (r[2] > upper) return 2;
    return r[1] > r[0] ? 1 : 0;
}

}  // namespace

uint64_t resource_sum(const Plane& p) {
    return static_cast<uint64_t>(p.resources[0]) + p.resources[1] + p.resources[2];
}

// The same result as taking one unit at a time, in a few bulk steps: a pile
// that is the only largest one gives units until it meets the next, and piles
// tied at the top give one unit each per round, in index order.
void pay_from_largest(uint32_t r[RESOURCE_KINDS], uint32_t cost) {
    while (cost > 0) {
        int top = largest_pile(r);
        uint32_t level = r[top];
        uint32_t below = 0;  // largest pile value under the top level
        int tied = 0;
        for (int i = 0; i < RESOURCE_KINDS; ++i) {
            if (r[i] == level) ++tied;
            else if (r[i] > below) below = r[i];
        }
        if (level == 0) return;  // nothing left to take (the caller checked the sum)
        if (tied == 1) {
            uint32_t take = level - below < cost ? level - below : cost;
            r[top] -= take;
            cost -= take;
            continue;
        }
        uint32_t rounds = cost / static_cast<uint32_t>(tied);
        if (rounds > level - below) rounds = level - below;
        if (rounds > 0) {
            for (int i = 0; i < RESOURCE_KINDS; ++i)
                if (r[i] == level) r[i] -= rounds;
            cost -= rounds * static_cast<uint32_t>(tied);
            continue;
        }
        for (int i = 0; i < RESOURCE_KINDS && cost > 0; ++i) {
            if (r[i] == level) {
                r[i] -= 1;
                cost -= 1;
            }
        }
    }
}

int placement_entry(const World& w) {
    int count = object_limit(w);
    for (int i = 0; i < count; ++i)
        if (w.objects[i].free) return i;
    if (w.object_count < MAX_OBJECTS) return count;
    return -1;
}

bool place_object(World& w, int slot, uint8_t kind) {
    int entry = placement_entry(w);
    if (entry < 0) return false;
    const Plane& buyer = w.planes[slot];
    float s, c;
    fsincos(buyer.angle, s, c);
    Vec2 f{c, s};
    Template t = template_of(kind);
    Vec2 U = wrap(buyer.pos - PLACE_BEHIND * f - t.distance * f, w.size);

    WorldObject o;
    if (kind == OBJECT_TURRET) {
        // The octagon keeps world orientation: no offset, the centroid is the position.
        Vec2 placed[8];
        for (int i = 0; i < 8; ++i) placed[i] = U + TURRET_HULL[i];
        o = polygon_body(placed, 8);
        o.turret_aim = buyer.angle + PI;
    } else if (kind == OBJECT_STATION) {
        o = build_at(t, U, buyer.angle + PI);
        o.mass = STATION_MASS;
        o.inertia = STATION_INERTIA;
    } else {
        o = build_at(t, U, buyer.angle);
        o.mass = VESSEL_MASS;
        o.inertia = VESSEL_INERTIA;
    }
    o.vel = buyer.vel;
    o.spin = 0.0f;
    o.owner = static_cast<uint8_t>(slot);
    o.kind = kind;
    o.health = health_of_kind(w.rules, kind);
    o.upgraded = false;
    o.upgrading_station = NONE;
    o.free = false;
    o.destroyed = false;

    w.objects[entry] = o;
    if (entry == static_cast<int>(w.object_count)) w.object_count += 1;
    return true;
}

void purchase(World& w, int slot, uint8_t item) {
    if (buy(w, slot, item)) push_event_at(w, EVENT_PURCHASE, {0.0f, 0.0f}, static_cast<uint8_t>(slot), item);
}
