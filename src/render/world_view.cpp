#include "render/world_view.h"

#include <cmath>

#include "render/fire_ramp.h"
#include "render/map_colors.h"
#include "render/radar.h"
#include "render/view.h"
#include "render/world_shapes.h"
#include "world/geometry.h"
#include "world/world_limits.h"

namespace {

constexpr float SUN_REACH_RADII = 2.4f;
constexpr float PLANET_REACH_RADII = 2.0f;
constexpr float NEBULA_RADIUS = 3200;
constexpr float NEBULA_REACH = 3680;
constexpr float DOME_RADIUS = 95;
constexpr float DOME_REACH = 114;

const World EMPTY_WORLD{};

// Positions the view from the copy and culls against it.
struct Placer {
    Vec2 camera;
    Vec2 size;
    bool at(Vec2 p, float reach, Vec2& out) const { return place_in_view(camera, size, p, reach, out); }
};

Range begin_range(const CapsuleList& list) { return {list.count, 0}; }
void end_range(Range& r, const CapsuleList& list) { r.count = list.count - r.first; }

float fraction(float x) { return x - std::floor(x); }

void push_body(PlanetList& planets, const CelestialBody& b, Vec2 at) {
    PlanetInstance p{};
    p.shape[0] = at.x;
    p.shape[1] = at.y;
    p.shape[2] = b.radius;
    p.shape[3] = b.phase;
    if (b.is_sun) {
        p.look[2] = STYLE_SUN;
        p.ring[1] = 2.4f;
        p.ring[2] = 1;
        p.color_a = {1, 0.88f, 0.4f, 1};
        p.color_b = {1, 0.42f, 0.08f, 1};
    } else {
        const PlanetLook& row = planet_look(b.look);
        bool ringed = row.ring_color.a > 0;
        p.look[0] = -0.6f;
        p.look[1] = -0.8f;
        p.look[2] = row.style;
        p.look[3] = ringed ? (fraction(b.phase) - 0.5f) * 0.8f : 0;
        p.ring[0] = ringed ? 1.3f : 0;
        p.ring[1] = ringed ? 1.8f : 0;
        p.ring[2] = ringed ? 0.25f : 1;
        p.color_a = row.color_a;
        p.color_b = row.color_b;
        p.ring_color = ringed ? row.ring_color : Color{0, 0, 0, 0};
    }
    push_planet(planets, p);
}

void push_dome(PlanetList& planets, Vec2 at, int index) {
    PlanetInstance p{};
    p.shape[0] = at.x;
    p.shape[1] = at.y;
    p.shape[2] = DOME_RADIUS;
    p.shape[3] = static_cast<float>(index) * 1.7f;
    p.look[2] = STYLE_DOME;
    p.ring[1] = 1.1f;
    p.ring[2] = 1;
    p.color_a = {0.35f, 0.85f, 1, 1};
    p.color_b = {0.75f, 0.45f, 1, 1};
    push_planet(planets, p);
}

Color nebula_color(const CelestialBody& b) {
    if (b.is_sun) return {1, 0.7f, 0.2f, 1};
    return brighter_look_color(planet_look(b.look));
}

void push_nebula(PlanetList& planets, const CelestialBody& b, Vec2 at) {
    PlanetInstance p{};
    p.shape[0] = at.x;
    p.shape[1] = at.y;
    p.shape[2] = NEBULA_RADIUS;
    p.shape[3] = b.phase;
    p.look[2] = STYLE_NEBULA;
    p.ring[1] = 1;
    p.ring[2] = 1;
    Color c = nebula_color(b);
    p.color_a = with_alpha(c, 0.3f);
    p.color_b = with_alpha(c, 1);
    push_planet(planets, p);
}

void build_planet_list(const World& w, const Placer& view, PlanetList& planets, WorldRanges& ranges) {
    planets.count = 0;
    int bodies = body_limit(w);
    for (int i = 0; i < bodies; ++i) {
        const CelestialBody& b = w.bodies[i];
        float reach = b.radius * (b.is_sun ? SUN_REACH_RADII : PLANET_REACH_RADII);
        Vec2 at;
        if (view.at(b.pos, reach, at)) push_body(planets, b, at);
    }
    int objects = object_limit(w);
    for (int i = 0; i < objects; ++i) {
        const WorldObject& o = w.objects[i];
        if (o.kind != OBJECT_STATION || o.destroyed || o.free) continue;
        Vec2 at;
        if (view.at(station_centre(o), DOME_REACH, at)) push_dome(planets, at, i);
    }
    ranges.bodies = {0, planets.count};
    for (int i = 0; i < bodies; ++i) {
        Vec2 at;
        if (view.at(w.bodies[i].pos, NEBULA_REACH, at)) push_nebula(planets, w.bodies[i], at);
    }
    ranges.nebulae = {ranges.bodies.count, planets.count - ranges.bodies.count};
}

void push_orbit_halos(CapsuleList& list, const World& w, const Placer& view) {
    for (int i = 0; i < body_limit(w); ++i) {
        const CelestialBody& b = w.bodies[i];
        Vec2 at;
        if (b.is_sun || !view.at(b.pos, b.radius + 340, at)) continue;
        push_soft_ring(list, at, b.radius + 320, 14, with_alpha(resource_color(b.resource), 0.16f));
    }
}

void push_exhaust_smoke(CapsuleList& list, const EffectLists& fx, const Placer& view) {
    for (uint32_t i = 0; i < fx.smoke_count; ++i) {
        const ExhaustParticle& p = fx.smoke[i];
        float t = p.age;
        float radius = (13 * t + 5) * p.size;
        Vec2 at;
        if (!view.at(p.pos, radius, at)) continue;
        push_blob(list, at, radius, {0.55f, 0.55f, 0.6f, 0.3f * (1 - t) * (1 - t)});
    }
}

void push_breakup_smoke(CapsuleList& list, const EffectLists& fx, const Placer& view) {
    for (uint32_t i = 0; i < fx.breakup_smoke_count; ++i) {
        const TimedParticle& p = fx.breakup_smoke[i];
        float t = std::fmin(p.age / p.lifetime, 1.0f);
        float radius = 16 * t + 6;
        Vec2 at;
        if (!view.at(p.pos, radius, at)) continue;
        push_blob(list, at, radius, {0.4f, 0.4f, 0.45f, 0.45f * (1 - t)});
    }
}

void push_exhaust_fire(CapsuleList& list, const EffectLists& fx, const Placer& view) {
    for (uint32_t i = 0; i < fx.fire_count; ++i) {
        const ExhaustParticle& p = fx.fire[i];
        float t = 4 * p.age;
        float radius = p.size * (6.5f - 4.5f * t);
        Vec2 at;
        if (!view.at(p.pos, radius, at)) continue;
        push_blob(list, at, radius, with_alpha(fire_ramp(2 * t), 0.8f * (1 - t)));
    }
}

void push_sparks(CapsuleList& list, const EffectLists& fx, const Placer& view) {
    for (uint32_t i = 0; i < fx.spark_count; ++i) {
        const TimedParticle& p = fx.sparks[i];
        float t = std::fmin(std::fmax(p.age / p.lifetime, 0.0f), 1.0f);
        float radius = p.size + (1 - p.size) * t;
        Vec2 at;
        if (!view.at(p.pos, radius, at)) continue;
        push_blob(list, at, radius, with_alpha(fire_ramp(2 * t), 1 - t));
    }
}

void push_flashes(CapsuleList& list, const EffectLists& fx, const Placer& view) {
    for (uint32_t i = 0; i < fx.wreck_count; ++i) {
        const Wreck& wreck = fx.wrecks[i];
        if (wreck.age >= 0.25f) continue;
        float t = 4 * wreck.age;
        float radius = 45 * (0.5f * t + 0.5f);
        Vec2 at;
        if (!view.at(wreck.centre, radius, at)) continue;
        push_blob(list, at, radius, {1, 0.85f, 0.5f, 0.9f * (1 - t) * (1 - t)});
    }
}

void push_shots(CapsuleList& list, const World& w, const Placer& view) {
    int count = w.shot_count < MAX_SHOTS ? static_cast<int>(w.shot_count) : MAX_SHOTS;
    for (int i = 0; i < count; ++i) {
        const Shot& s = w.shots[i];
        Vec2 at;
        if (!view.at(s.pos, 16, at)) continue;
        Color tail = {1, 0.6f, 0.2f, 0.5f};
        push_blob(list, at, 6, tail);
        float speed = std::sqrt(dot(s.vel, s.vel));
        Vec2 back = speed > 0 ? s.vel * (10 / speed) : Vec2{0, 0};
        push_segment(list, at - back, at, 1.5f, tail, {1, 0.95f, 0.7f, 1});
    }
}

void push_wreck_pieces(CapsuleList& list, const EffectLists& fx, const Placer& view) {
    for (uint32_t i = 0; i < fx.wreck_count; ++i) {
        const Wreck& wreck = fx.wrecks[i];
        float fade = (1 - std::fmin(wreck.age / WRECK_LIFETIME, 1.0f)) * wreck.color.a;
        if (!(fade > 0)) continue;
        Color c = with_alpha(wreck.color, fade);
        for (uint32_t k = 0; k < wreck.piece_count && k < WRECK_PIECES; ++k) {
            const WreckPiece& piece = wreck.pieces[k];
            Vec2 at;
            if (!view.at(piece.mid, std::sqrt(dot(piece.half, piece.half)) + 2.5f, at)) continue;
            push_segment(list, at - piece.half, at + piece.half, 2.5f, c);
        }
    }
}

void push_hook_ropes(CapsuleList& list, const EffectLists& fx, const Placer& view) {
    const Color rope_color = {0.78f, 0.72f, 0.6f, 0.9f};
    const Color hook_color = {0.85f, 0.87f, 0.92f, 1};
    for (const HookRope& rope : fx.ropes) {
        Vec2 at;
        if (!rope.active || !view.at(rope.anchor, 340, at)) continue;
        for (int k = 0; k + 1 < ROPE_POINTS; ++k) {
            push_segment(list, at + rope.points[k], at + rope.points[k + 1], 1.3f, rope_color);
        }
        Vec2 end = at + rope.points[ROPE_POINTS - 1];
        Vec2 d = rope.points[ROPE_POINTS - 1] - rope.points[ROPE_POINTS - 2];
        float length = std::sqrt(dot(d, d));
        Vec2 u = length < 0.001f ? Vec2{1, 0} : d / length;
        Vec2 side = Vec2{-u.y, u.x} * 5;
        Vec2 tip = end + u * 7;
        Vec2 heel = end - u * 2;
        push_segment(list, heel, tip, 1.8f, hook_color);
        push_segment(list, tip, heel + side, 1.5f, hook_color);
        push_segment(list, tip, heel - side, 1.5f, hook_color);
    }
}

}  // namespace

Vec2 view_origin(Vec2 camera) { return {camera.x - VIEW_HALF_WIDTH, camera.y - VIEW_HALF_HEIGHT}; }

void fill_render_copy(RenderCopy& copy, const GameView* game, Vec2 camera, float time, const EffectLists& effects) {
    copy.world = game && game->world ? *game->world : EMPTY_WORLD;
    for (int i = 0; i < MAX_PLANES; ++i) {
        Vec2 p = copy.world.planes[i].pos;
        if (game && game->offsets) p = p + game->offsets[i];
        copy.drawn[i] = wrap_into(p, copy.world.size);
        copy.shield_flash[i] = game && game->shield_flash ? game->shield_flash[i] : 0;
    }
    copy.local_slot = game ? game->local_slot : NONE;
    copy.camera = camera;
    copy.time = time;
    copy.effects = effects;
}

void build_world_lists(const RenderCopy& copy, StarField& stars, CapsuleList& capsules, PlanetList& planets,
                       WorldRanges& ranges) {
    const World& w = copy.world;
    const EffectLists& fx = copy.effects;
    Placer view{copy.camera, w.size};
    capsules.count = 0;

    ensure_star_field(stars, w.size);
    for (int l = 0; l < STAR_LAYERS; ++l) {
        ranges.stars[l] = begin_range(capsules);
        push_star_layer(capsules, stars, l, copy.camera, w.size);
        end_range(ranges.stars[l], capsules);
    }

    build_planet_list(w, view, planets, ranges);

    ranges.normal_below = begin_range(capsules);
    push_orbit_halos(capsules, w, view);
    push_exhaust_smoke(capsules, fx, view);
    push_breakup_smoke(capsules, fx, view);
    end_range(ranges.normal_below, capsules);

    ranges.additive = begin_range(capsules);
    push_exhaust_fire(capsules, fx, view);
    push_sparks(capsules, fx, view);
    push_flashes(capsules, fx, view);
    push_gathering_glows(capsules, w, view.camera);
    push_shots(capsules, w, view);
    push_engine_flames(capsules, copy);
    push_vessel_lights(capsules, w, view.camera, copy.time);
    push_sun_shield_glows(capsules, copy);
    push_shield_halos(capsules, copy);
    push_planes(capsules, copy);
    push_shield_bubbles(capsules, copy);
    push_objects(capsules, w, view.camera);
    push_upgrade_beams(capsules, w, view.camera);
    end_range(ranges.additive, capsules);

    ranges.normal_above = begin_range(capsules);
    push_boarding(capsules, copy);
    push_hook_ropes(capsules, fx, view);
    push_wreck_pieces(capsules, fx, view);
    push_radar(capsules, {w, copy.local_slot, copy.camera, copy.drawn});
    end_range(ranges.normal_above, capsules);
}
