#include "world/generate.h"

#include "world/geometry.h"
#include "world/random.h"
#include "world/world_limits.h"

const Vec2 COLLECTOR_HULL[6] = {{-28.05f, -5.1f}, {28.05f, -5.1f}, {28.05f, 5.1f},
                                {11.05f, 20.4f},  {-11.05f, 20.4f}, {-28.05f, 5.1f}};
const Vec2 UPGRADED_COLLECTOR_HULL[6] = {{-39.27f, -7.14f}, {39.27f, -7.14f}, {39.27f, 7.14f},
                                         {15.47f, 28.56f},  {-15.47f, 28.56f}, {-39.27f, 7.14f}};

namespace {

constexpr Vec2 TUTORIAL_COLLECTOR_ORIGIN{4800.0f, 2565.0f};
constexpr float TUTORIAL_COLLECTOR_ANGLE = 0.35f;
constexpr float TUTORIAL_SPAWN_X[MAX_PLANES] = {0, -190, 190, -340, 340, -100, 100, -250};
constexpr float TUTORIAL_SPAWN_Y = 54.0f;

bool clear_of_bodies(const World& w, Vec2 candidate) {
    int n = body_limit(w);
    for (int i = 0; i < n; ++i) {
        const CelestialBody& b = w.bodies[i];
        float clearance = b.is_sun ? SPAWN_CLEARANCE_SUN : SPAWN_CLEARANCE_PLANET;
        if (length(wrapped_delta(candidate, b.pos, w.size)) < clearance) return false;
    }
    return true;
}

void put_u32(uint8_t* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

WorldObject make_collector(Vec2 hull_origin, float angle, const Rules& rules) {
    Vec2 placed[6];
    for (int i = 0; i < 6; ++i) placed[i] = hull_origin + COLLECTOR_HULL[i];
    WorldObject o = polygon_body(placed, 6);
    set_fixed_mass(o, COLLECTOR_MASS);
    Vec2 centroid = o.pos;
    o.hull_offset = hull_origin - centroid;
    o.pos = hull_origin - rotate(hull_origin - centroid, angle);
    o.home_pos = o.pos;
    o.angle = angle;
    o.home_angle = angle;
    o.health = rules.collector_health;
    o.kind = OBJECT_COLLECTOR;
    o.owner = NONE;
    o.upgrading_station = NONE;
    return o;
}

WorldObject collector_shape(bool upgraded) {
    WorldObject o = polygon_body(upgraded ? UPGRADED_COLLECTOR_HULL : COLLECTOR_HULL, 6);
    set_fixed_mass(o, upgraded ? UPGRADED_COLLECTOR_MASS : COLLECTOR_MASS);
    o.hull_offset = Vec2{0, 0} - o.pos;
    return o;
}

void take_shape(WorldObject& o, const WorldObject& shape) {
    for (int i = 0; i < MAX_HULL_POINTS; ++i) o.points[i] = shape.points[i];
    o.point_count = shape.point_count;
    o.area = shape.area;
    o.mass = shape.mass;
    o.inertia = shape.inertia;
    o.hull_offset = shape.hull_offset;
}

void generate_world(World& out) {
    out = World{};
    out.winner = NONE;
    out.winner_vessel = 0;
    out.objects[0] = make_collector(TUTORIAL_COLLECTOR_ORIGIN, TUTORIAL_COLLECTOR_ANGLE, out.rules);
    out.object_count = 1;
}

Vec2 spawn_point(World& w, uint8_t slot) {
    if (body_limit(w) == 0) {
        float offset = is_slot(slot) ? TUTORIAL_SPAWN_X[slot] : 0.0f;
        return {w.size.x * 0.5f + offset, w.size.y * 0.5f + TUTORIAL_SPAWN_Y};
    }
    w.spawn_counter += 1;
    Vec2 candidate{0, 0};
    for (uint32_t attempt = 0; attempt < SPAWN_TRIES; ++attempt) {
        uint8_t data[8];
        put_u32(data, slot);
        put_u32(data + 4, attempt);
        uint64_t h = hash_draw(w.spawn_counter, data, sizeof data);
        candidate = {hash_fraction_lo(h) * w.size.x, hash_fraction_hi(h) * w.size.y};
        if (clear_of_bodies(w, candidate)) break;
    }
    return candidate;  // the last candidate when none was clear
}

void spawn_plane(World& w, uint8_t slot) {
    if (!is_slot(slot)) return;
    Vec2 at = spawn_point(w, slot);
    Plane& p = w.planes[slot];
    p = Plane{};
    p.in_use = true;
    p.pos = at;
    p.angle = SPAWN_ANGLE;
    p.slot = slot;
    p.health = w.rules.plane_health;
    p.boarding_vessel = NONE;
}

void restart_world(World& w, const bool occupied[MAX_PLANES]) {
    Rules kept = w.rules;
    generate_world(w);
    w.rules = kept;
    for (uint8_t slot = 0; slot < MAX_PLANES; ++slot) {
        if (occupied[slot]) spawn_plane(w, slot);
    }
}

CelestialBody make_body(Vec2 pos, bool is_sun, uint8_t resource, uint8_t look, float phase) {
    CelestialBody b{};
    b.pos = pos;
    b.radius = is_sun ? SUN_RADIUS : PLANET_RADIUS;
    b.surface_gravity = is_sun ? SUN_SURFACE_GRAVITY : PLANET_SURFACE_GRAVITY;
    b.phase = phase;
    b.look = look;
    b.is_sun = is_sun;
    b.resource = resource;
    return b;
}
