#include "render/world_shapes.h"

#include <cmath>
#include <initializer_list>

#include "render/shapes.h"
#include "render/view.h"
#include "world/forces.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/world_limits.h"

namespace {

constexpr float PLANE_REACH = 23.866f;
constexpr Color UNOWNED_GATHER_COLOR = {0.9f, 0.92f, 1, 1};
constexpr Color GOLD = {1, 0.8f, 0.3f, 1};
constexpr Color VESSEL_COLOR = {1, 0.88f, 0.55f, 1};
constexpr Color BOARDING_COLOR = {1, 0.88f, 0.55f, 1};

bool alive(const Plane& p) { return p.in_use && !p.dead; }
bool present(const WorldObject& o) { return !o.destroyed && !o.free; }

// An owner byte may come from the wire: only a slot whose plane is present
// lends its colour.
bool owner_present(const World& w, uint8_t owner) { return is_slot(owner) && w.planes[owner].in_use; }

// The pulse of a gathering collector, 0..1 over 2.5 s.
float gather_pulse(float timer) { return 0.5f - 0.5f * std::cos(TWO_PI * timer / 2.5f); }

Color gather_color(const World& w, const WorldObject& o) {
    return owner_present(w, o.owner) ? player_color(o.owner) : UNOWNED_GATHER_COLOR;
}

// A gathering collector pulses toward its gathering colour.
Color object_color(const World& w, const WorldObject& o) {
    if (o.kind == OBJECT_COLLECTOR && o.gather_timer != 0) {
        return mix(OBJECT_COLOR, gather_color(w, o), 0.8f * gather_pulse(o.gather_timer));
    }
    return owned_object_color(w, o);
}

// The shift and strength of the faint copy that shows which way gravity pulls.
struct Ghost {
    bool shown;
    Vec2 shift;
    float strength;  // alpha factor before the colour's own alpha
};

Ghost gravity_ghost(const World& w, Vec2 p) {
    Vec2 g = gravity(w, p);
    float magnitude = length(g);
    if (!(magnitude >= 5)) return {false, {0, 0}, 0};
    Vec2 shift = g * (std::fmin(0.04f * magnitude, 10.0f) / magnitude);
    return {true, shift, 0.45f * std::fmax(std::fmin(magnitude / 250, 1.0f), 0.2f)};
}

// 12 segments of an arc starting at the top, clockwise on screen.
void push_progress_arc(CapsuleList& list, Vec2 centre, float radius, float fraction, float width, Color c) {
    float phi = TWO_PI * std::fmin(std::fmax(fraction, 0.0f), 1.0f);
    if (!(phi == phi)) phi = 0;
    Vec2 previous{};
    for (int k = 0; k <= 12; ++k) {
        float a = -1.5707964f + static_cast<float>(k) * phi / 12;
        Vec2 p = centre + radius * Vec2{std::cos(a), std::sin(a)};
        if (k > 0) push_segment(list, previous, p, width, c);
        previous = p;
    }
}

// The colours an object shape is drawn in; the gravity ghost uses one colour
// for all of them.
struct ShapeColors {
    Color main, dark, inner, gold, vessel, deck;
};

ShapeColors shape_colors(Color c) {
    return {c, {0.35f * c.r, 0.35f * c.g, 0.35f * c.b, c.a}, {0.3f * c.r, 0.3f * c.g, 0.3f * c.b, c.a},
            GOLD, VESSEL_COLOR, with_alpha(VESSEL_COLOR, 0.45f)};
}

ShapeColors single_color(Color c) { return {c, c, c, c, c, c}; }

void push_closed(CapsuleList& list, const Vec2* points, int n, float radius, Color c) {
    for (int k = 0; k < n && n >= 2; ++k) push_segment(list, points[k], points[(k + 1) % n], radius, c);
}

void push_collector(CapsuleList& list, const WorldObject& o, Vec2 at, const ShapeColors& c) {
    float u = o.upgraded ? UPGRADED_COLLECTOR_SCALE : 1.0f;
    Rotation r = rotation(o.angle);
    auto local = [&](Vec2 q) { return at + apply(r, q * u + o.hull_offset); };
    for (const Stroke& s : COLLECTOR_STROKES) push_segment(list, local(s.a), local(s.b), 2.5f * u, c.main);
    for (float side : {-1.0f, 1.0f}) {
        Vec2 outer = local({side * 22.95f, 0});
        Vec2 inner = local({side * 11.9f, 0});
        push_segment(list, outer, inner, 6.75f * u, c.main);
        push_segment(list, outer, inner, 1.75f * u, c.dark);
    }
    Vec2 hub = local({0, 0});
    push_disc(list, hub, 8.45f * u, o.upgraded ? c.gold : c.main);
    push_disc(list, hub, 3.45f * u, c.dark);
}

void push_turret(CapsuleList& list, const WorldObject& o, Vec2 at, const ShapeColors& c) {
    if (o.upgraded) push_disc(list, at, 19, c.gold);
    push_disc(list, at, 16.5f, c.main);
    push_disc(list, at, 11.5f, c.inner);
    Vec2 aim = {std::cos(o.turret_aim), std::sin(o.turret_aim)};
    push_segment(list, at, at + 24 * aim, o.upgraded ? 5.0f : 3.0f, c.main);
}

void push_station(CapsuleList& list, const WorldObject& o, Vec2 at, const ShapeColors& c) {
    Rotation r = rotation(o.angle);
    auto local = [&](Vec2 q) { return at + apply(r, q + o.hull_offset); };
    for (int k = 0; k < 6; ++k) {
        const Stroke& s = STATION_STROKES[k];
        push_segment(list, local(s.a), local(s.b), k < 4 ? 3.0f : 1.5f, c.main);
    }
}

void push_vessel(CapsuleList& list, const WorldObject& o, Vec2 at, const ShapeColors& c) {
    Rotation r = rotation(o.angle);
    Vec2 hull[7];
    Vec2 deck[4];
    for (int k = 0; k < 7; ++k) hull[k] = at + apply(r, VESSEL_HULL[k] + o.hull_offset);
    for (int k = 0; k < 4; ++k) deck[k] = at + apply(r, VESSEL_DECK[k] + o.hull_offset);
    push_closed(list, hull, 7, 2.5f, c.vessel);
    push_closed(list, deck, 4, 1.2f, c.deck);
}

void push_hull_outline(CapsuleList& list, const WorldObject& o, Vec2 at, const ShapeColors& c) {
    Vec2 hull[MAX_HULL_POINTS];
    int n = object_hull_at(o, at, hull);
    push_closed(list, hull, n, 2.5f, c.main);
}

void push_object_shape(CapsuleList& list, const WorldObject& o, Vec2 at, const ShapeColors& c) {
    switch (o.kind) {
    case OBJECT_COLLECTOR: push_collector(list, o, at, c); break;
    case OBJECT_TURRET: push_turret(list, o, at, c); break;
    case OBJECT_STATION: push_station(list, o, at, c); break;
    case OBJECT_VESSEL: push_vessel(list, o, at, c); break;
    default: push_hull_outline(list, o, at, c); break;
    }
}

float object_reach(const WorldObject& o) {
    if (o.kind == OBJECT_STATION) return length(o.hull_offset) + 95;
    return object_radius(o);
}

}  // namespace

void push_gathering_glows(CapsuleList& list, const World& w, Vec2 camera) {
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (o.kind != OBJECT_COLLECTOR || !present(o) || o.gather_timer == 0) continue;
        float v = gather_pulse(o.gather_timer);
        float radius = 48 * (0.8f + 0.2f * v);
        Vec2 at;
        if (!place_in_view(camera, w.size, o.pos, radius, at)) continue;
        push_blob(list, at, radius, with_alpha(gather_color(w, o), 0.55f * v));
    }
}

void push_engine_flames(CapsuleList& list, const RenderCopy& copy) {
    const World& w = copy.world;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        Vec2 at;
        if (!alive(p) || p.flame == 0 || !place_in_view(copy.camera, w.size, copy.drawn[i], PLANE_REACH, at)) continue;
        PlaneFrame f = plane_frame(at, p.angle);
        Color c = {1, 0.15f, 0.05f, 0.6f * p.flame};
        push_blob(list, f.left, 9, c);
        push_blob(list, f.right, 9, c);
    }
}

void push_vessel_lights(CapsuleList& list, const World& w, Vec2 camera, float time) {
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        Vec2 at;
        if (o.kind != OBJECT_VESSEL || o.free || !place_in_view(camera, w.size, o.pos, object_radius(o) + 30, at)) {
            continue;
        }
        Rotation r = rotation(o.angle);
        push_blob(list, at + apply(r, o.hull_offset + VESSEL_DOOR), 110,
                  {1, 0.85f, 0.5f, 0.12f * (0.85f + 0.15f * std::sin(2 * time))});
        for (Vec2 engine : VESSEL_ENGINES) push_blob(list, at + apply(r, o.hull_offset + engine), 22, {1, 0.55f, 0.2f, 0.7f});
    }
}

void push_sun_shield_glows(CapsuleList& list, const RenderCopy& copy) {
    const World& w = copy.world;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        Vec2 at;
        if (!alive(p) || !p.has_sun_shield || !place_in_view(copy.camera, w.size, copy.drawn[i], 33.866f, at)) continue;
        PlaneFrame f = plane_frame(at, p.angle);
        Color c = {1, 0.45f, 0.05f, 0.35f * (1.2f + 0.4f * std::sin(static_cast<float>(i) + 2.5f * copy.time))};
        push_soft(list, f.nose, f.left, 9, c);
        push_soft(list, f.nose, f.right, 9, c);
    }
}

// Shield fill 0..1; a zero shield strength from the wire counts as full.
static float shield_fill(const World& w, const Plane& p) {
    float strength = w.rules.shield_strength;
    return strength > 0 ? p.shield / strength : 1.0f;
}

void push_shield_halos(CapsuleList& list, const RenderCopy& copy) {
    const World& w = copy.world;
    float rs = w.rules.shield_radius;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        Vec2 at;
        if (!alive(p) || p.shield == 0 || !place_in_view(copy.camera, w.size, copy.drawn[i], rs + 12, at)) continue;
        float k = shield_fill(w, p);
        float slot = static_cast<float>(i);
        float flash = copy.shield_flash[i];
        float pulse = 0.85f + 0.15f * std::sin(3 * copy.time + slot);
        push_soft_ring(list, at, rs, 7, with_alpha(SHIELD_COLOR, 2.4f * flash + pulse * (0.2f + 0.25f * k)));
        float a = 2.1f * slot + 1.3f * copy.time;
        push_blob(list, at + rs * Vec2{std::cos(a), std::sin(a)}, 9, {0.8f, 0.92f, 1, 0.3f + 0.4f * k});
    }
}

void push_planes(CapsuleList& list, const RenderCopy& copy) {
    const World& w = copy.world;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        Vec2 at;
        if (!alive(p) || !place_in_view(copy.camera, w.size, copy.drawn[i], PLANE_REACH, at)) continue;
        Color c = player_color(static_cast<uint8_t>(i));
        PlaneFrame f = plane_frame(at, p.angle);
        Ghost ghost = gravity_ghost(w, p.pos);
        if (ghost.shown) {
            Color gc = with_alpha(c, c.a * ghost.strength);
            push_segment(list, f.nose + ghost.shift, f.left + ghost.shift, 2.5f, gc);
            push_segment(list, f.nose + ghost.shift, f.right + ghost.shift, 2.5f, gc);
        }
        if (p.has_sun_shield) {
            push_segment(list, f.nose, f.left, 4, {1, 0.55f, 0.12f, 1});
            push_segment(list, f.nose, f.right, 4, {1, 0.55f, 0.12f, 1});
        }
        Vec2 mid_left = f.nose + 0.55f * (f.left - f.nose);
        Vec2 mid_right = f.nose + 0.55f * (f.right - f.nose);
        Color hot = mix(c, {1, 0.25f, 0.1f, 1}, p.flame);
        push_segment(list, f.nose, mid_left, 2.5f, c);
        push_segment(list, f.nose, mid_right, 2.5f, c);
        push_segment(list, mid_left, f.left, 2.5f, c, hot);
        push_segment(list, mid_right, f.right, 2.5f, c, hot);
    }
}

void push_shield_bubbles(CapsuleList& list, const RenderCopy& copy) {
    const World& w = copy.world;
    float rs = w.rules.shield_radius;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        Vec2 at;
        if (!alive(p) || p.shield == 0 || !place_in_view(copy.camera, w.size, copy.drawn[i], rs + 4, at)) continue;
        float k = shield_fill(w, p);
        float flash = copy.shield_flash[i];
        push_blob(list, at, rs, with_alpha(SHIELD_COLOR, 1.0f * flash + 0.1f));
        push_ring(list, at, rs, 0.8f, with_alpha(SHIELD_COLOR, 0.6f * flash + 0.45f + 0.4f * k));
    }
}

void push_objects(CapsuleList& list, const World& w, Vec2 camera) {
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        Vec2 at;
        if (!present(o) || !place_in_view(camera, w.size, o.pos, object_reach(o), at)) continue;
        Color c = object_color(w, o);
        Ghost ghost = gravity_ghost(w, o.pos);
        if (ghost.shown) push_object_shape(list, o, at + ghost.shift, single_color(with_alpha(c, ghost.strength * c.a)));
        push_object_shape(list, o, at, shape_colors(c));
    }
}

void push_upgrade_beams(CapsuleList& list, const World& w, Vec2 camera) {
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        const WorldObject& o = w.objects[i];
        Vec2 at;
        if (!present(o) || !is_object_index(w, o.upgrading_station)) continue;
        if (!place_in_view(camera, w.size, o.pos, 190, at)) continue;
        const WorldObject& station = w.objects[o.upgrading_station];
        Vec2 from = at + nearest_offset(station_centre(station) - o.pos, w.size);
        push_segment(list, from, at, 1.3f, {0.55f, 0.85f, 1, 0.8f});
        float upgrade_time = w.rules.upgrade_time;
        float fraction = upgrade_time > 0 ? o.upgrade_timer / upgrade_time : 1.0f;
        push_progress_arc(list, at, object_radius(o) + 6, fraction, 1.25f, {1, 0.8f, 0.3f, 0.9f});
    }
}

void push_boarding(CapsuleList& list, const RenderCopy& copy) {
    const World& w = copy.world;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        Vec2 at;
        if (!alive(p) || !is_object_index(w, p.boarding_vessel)) continue;
        if (!place_in_view(copy.camera, w.size, copy.drawn[i], 33.866f, at)) continue;
        const WorldObject& vessel = w.objects[p.boarding_vessel];
        Vec2 door = vessel.pos + apply(rotation(vessel.angle), vessel.hull_offset + VESSEL_DOOR);
        PlaneFrame f = plane_frame(at, p.angle);
        push_segment(list, f.nose + nearest_offset(door - f.nose, w.size), f.nose, 1.3f, BOARDING_COLOR);
        float boarding_time = w.rules.boarding_time;
        float fraction = boarding_time > 0 ? p.boarding_timer / boarding_time : 1.0f;
        push_progress_arc(list, at, 31.86607f, fraction, 1.25f, BOARDING_COLOR);
    }
}
