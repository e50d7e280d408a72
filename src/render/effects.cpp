#include "render/effects.h"

#include <cmath>

#include "render/shapes.h"
#include "render/view.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/world_limits.h"

namespace {

constexpr float DT = TICK;
constexpr float SMOKE_DRAG = 0.9875f;

Vec2 random_unit(Xoshiro256& g) {
    float a = TWO_PI * next_float(g);
    return {std::cos(a), std::sin(a)};
}

// Uniform in [-x, x] squared, x component drawn first.
Vec2 random_square(Xoshiro256& g, float x) {
    float rx = 2 * x * next_float(g) - x;
    float ry = 2 * x * next_float(g) - x;
    return {rx, ry};
}

Vec2 drawn_position(const World& w, int slot, const Vec2* offsets) {
    Vec2 p = w.planes[slot].pos;
    if (offsets) p = wrap_into(p + offsets[slot], w.size);
    return p;
}

// Exhaust lists keep no order: a dead particle is replaced by the last one.
void update_exhaust(ExhaustParticle* items, uint32_t& count, float lifetime, float drag) {
    uint32_t i = 0;
    while (i < count) {
        ExhaustParticle& p = items[i];
        p.age += DT;
        if (p.age >= lifetime) {
            p = items[--count];
            continue;
        }
        p.vel *= drag;
        p.pos += p.vel * DT;
        ++i;
    }
}

// Sparks and break-up smoke compact in order.
void update_timed(TimedParticle* items, uint32_t& count, float drag) {
    uint32_t kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
        TimedParticle p = items[i];
        p.age += DT;
        if (p.age >= p.lifetime) continue;
        p.vel *= drag;
        p.pos += p.vel * DT;
        items[kept++] = p;
    }
    count = kept;
}

void emit_exhaust(ExhaustParticle* items, uint32_t& count, uint32_t capacity, Xoshiro256& g, Vec2 corner,
                  Vec2 vel, float size_spread) {
    if (count >= capacity) return;
    ExhaustParticle p;
    p.pos = corner;
    p.vel = vel + random_square(g, 25);
    p.age = 0;
    p.size = (2 * next_float(g) - 1) * size_spread + 1;
    items[count++] = p;
}

void spawn_exhaust(EffectLists& fx, const World& w, const Vec2* offsets) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& plane = w.planes[i];
        if (!plane.in_use || plane.dead || !plane.thrust) {
            fx.smoke_timer[i] = 0;
            fx.fire_timer[i] = 0;
            continue;
        }
        PlaneFrame f = plane_frame(drawn_position(w, i, offsets), plane.angle);
        Vec2 smoke_vel = plane.vel - 90 * f.dir;
        fx.smoke_timer[i] += 0.5f;
        while (fx.smoke_timer[i] >= 1) {
            emit_exhaust(fx.smoke, fx.smoke_count, EXHAUST_SMOKE_CAPACITY, fx.smoke_random, f.left, smoke_vel, 0.2f);
            emit_exhaust(fx.smoke, fx.smoke_count, EXHAUST_SMOKE_CAPACITY, fx.smoke_random, f.right, smoke_vel, 0.2f);
            fx.smoke_timer[i] -= 1;
        }
        Vec2 fire_vel = plane.vel - 200 * f.dir;
        fx.fire_timer[i] += 2;
        while (fx.fire_timer[i] >= 1) {
            emit_exhaust(fx.fire, fx.fire_count, EXHAUST_FIRE_CAPACITY, fx.fire_random, f.left, fire_vel, 0.35f);
            emit_exhaust(fx.fire, fx.fire_count, EXHAUST_FIRE_CAPACITY, fx.fire_random, f.right, fire_vel, 0.35f);
            fx.fire_timer[i] -= 1;
        }
    }
}

// The hook's copy nearest the nose, relative to the nose.
Vec2 hook_offset(const Plane& plane, Vec2 nose, Vec2 size) {
    return nearest_offset(plane.hook_pos - nose, size);
}

// Moves the inner points toward equal links; both ends stay pinned.
void relax_rope(Vec2* points, float link) {
    for (int pass = 0; pass < 8; ++pass) {
        for (int k = 0; k + 1 < ROPE_POINTS; ++k) {
            Vec2 d = points[k + 1] - points[k];
            float dist = std::sqrt(dot(d, d));
            if (dist < 1e-6f) continue;
            Vec2 correction = d * ((dist - link) / dist);
            if (k == 0) {
                points[1] -= correction;
            } else if (k + 1 == ROPE_POINTS - 1) {
                points[k] += correction;
            } else {
                points[k] += correction * 0.5f;
                points[k + 1] -= correction * 0.5f;
            }
        }
    }
}

void update_ropes(EffectLists& fx, const World& w, const Vec2* offsets) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& plane = w.planes[i];
        HookRope& rope = fx.ropes[i];
        if (!plane.in_use || plane.dead || !plane.hook_out) {
            rope.active = false;
            continue;
        }
        PlaneFrame f = plane_frame(drawn_position(w, i, offsets), plane.angle);
        Vec2 end = hook_offset(plane, f.nose, w.size);
        float length = std::sqrt(dot(end, end));
        if (plane.hook_state == HOOK_ATTACHED && plane.rope_length > length) length = plane.rope_length;
        if (plane.hook_state == HOOK_TETHERED && length < 320) length = 320;
        // Points are kept relative to the nose, so they follow its movement.
        rope.anchor = wrap_into(f.nose, w.size);
        if (!rope.active) {
            for (int k = 0; k < ROPE_POINTS; ++k) rope.points[k] = end * (static_cast<float>(k) / (ROPE_POINTS - 1));
            rope.active = true;
        }
        rope.points[0] = {0, 0};
        rope.points[ROPE_POINTS - 1] = end;
        relax_rope(rope.points, length / (ROPE_POINTS - 1));
    }
}

struct Segments {
    Stroke items[WRECK_PIECES];
    uint32_t count = 0;
    void add(Vec2 a, Vec2 b) {
        if (count < WRECK_PIECES) items[count++] = {a, b};
    }
};

void break_up(EffectLists& fx, Vec2 p, Vec2 v, const Segments& segments, Color color, Vec2 size) {
    Xoshiro256& g = fx.breakup_random;
    if (fx.wreck_count >= WRECK_CAPACITY) {
        for (uint32_t i = 1; i < WRECK_CAPACITY; ++i) fx.wrecks[i - 1] = fx.wrecks[i];
        fx.wreck_count = WRECK_CAPACITY - 1;
    }
    Wreck& wreck = fx.wrecks[fx.wreck_count++];
    wreck.centre = wrap_into(p, size);
    wreck.vel = v;
    wreck.color = color;
    wreck.age = 0;
    wreck.piece_count = segments.count;
    for (uint32_t i = 0; i < segments.count; ++i) {
        const Stroke& s = segments.items[i];
        WreckPiece& piece = wreck.pieces[i];
        Vec2 m = (s.a + s.b) * 0.5f;
        Vec2 out = m - p;
        float dist = std::sqrt(dot(out, out));
        Vec2 dir = dist <= 0.001f ? random_unit(g) : out / dist;
        piece.vel = dir * 60 + v * 0.5f + random_square(g, 20);
        piece.mid = wrap_into(m, size);
        piece.half = (s.b - s.a) * 0.5f;
        piece.spin = 12 * next_float(g) - 6;
    }
    for (int i = 0; i < 48 && fx.spark_count < SPARK_CAPACITY; ++i) {
        TimedParticle& spark = fx.sparks[fx.spark_count++];
        Vec2 dir = random_unit(g);
        spark.vel = dir * (260 * next_float(g) + 60) + v * 0.3f;
        spark.pos = wreck.centre;
        spark.age = 0;
        spark.lifetime = 0.45f * next_float(g) + 0.35f;
        spark.size = 4 * next_float(g) + 3;
    }
    for (int i = 0; i < 16 && fx.breakup_smoke_count < BREAKUP_SMOKE_CAPACITY; ++i) {
        TimedParticle& puff = fx.breakup_smoke[fx.breakup_smoke_count++];
        puff.pos = wrap_into(p + random_square(g, 8), size);
        Vec2 dir = random_unit(g);
        puff.vel = dir * (60 * next_float(g) + 20) + v * 0.3f;
        puff.age = 0;
        puff.lifetime = 0.6f * next_float(g) + 1.0f;
        puff.size = 6;
    }
    if (fx.explosion_count < EXPLOSION_CAPACITY) fx.explosions[fx.explosion_count++] = wreck.centre;
}

void break_up_planes(EffectLists& fx, const World& w, const Vec2* offsets) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& plane = w.planes[i];
        if (plane.in_use && plane.dead && fx.plane_was_alive[i]) {
            PlaneFrame f = plane_frame(drawn_position(w, i, offsets), plane.angle);
            Segments segments;
            segments.add(f.nose, f.left);
            segments.add(f.nose, f.right);
            break_up(fx, f.pos, plane.vel, segments, player_color(static_cast<uint8_t>(i)), w.size);
        }
    }
    for (int i = 0; i < MAX_PLANES; ++i) fx.plane_was_alive[i] = w.planes[i].in_use && !w.planes[i].dead;
}

void add_hull_edges(Segments& segments, const WorldObject& o) {
    Vec2 hull[MAX_HULL_POINTS];
    int n = object_hull_at(o, o.pos, hull);
    for (int k = 0; k < n && n >= 2; ++k) segments.add(hull[k], hull[(k + 1) % n]);
}

Segments object_segments(const WorldObject& o) {
    Segments segments;
    Rotation r = rotation(o.angle);
    auto local = [&](Vec2 q) { return o.pos + apply(r, q + o.hull_offset); };
    if (o.kind == OBJECT_COLLECTOR) {
        float u = o.upgraded ? UPGRADED_COLLECTOR_SCALE : 1.0f;
        for (const Stroke& s : COLLECTOR_STROKES) segments.add(local(s.a * u), local(s.b * u));
    } else if (o.kind == OBJECT_STATION) {
        for (const Stroke& s : STATION_STROKES) segments.add(local(s.a), local(s.b));
    } else if (o.kind == OBJECT_TURRET) {
        segments.add(o.pos, o.pos + 24 * Vec2{std::cos(o.turret_aim), std::sin(o.turret_aim)});
        add_hull_edges(segments, o);
    } else {
        add_hull_edges(segments, o);
    }
    return segments;
}

void break_up_objects(EffectLists& fx, const World& w) {
    int count = object_limit(w);
    for (int i = 0; i < MAX_OBJECTS; ++i) {
        bool present = i < count && !w.objects[i].destroyed && !w.objects[i].free;
        const WorldObject& o = w.objects[i];
        if (!present && fx.object_was_present[i] && i < count && o.kind != OBJECT_VESSEL) {
            break_up(fx, o.pos, o.vel, object_segments(o), owned_object_color(w, o), w.size);
        }
        fx.object_was_present[i] = present;
    }
}

void update_wrecks(EffectLists& fx, Vec2 size) {
    uint32_t kept = 0;
    for (uint32_t i = 0; i < fx.wreck_count; ++i) {
        Wreck wreck = fx.wrecks[i];
        wreck.age += DT;
        if (wreck.age >= WRECK_LIFETIME) continue;
        wreck.centre = wrap_into(wreck.centre + wreck.vel * DT, size);
        for (uint32_t k = 0; k < wreck.piece_count && k < WRECK_PIECES; ++k) {
            WreckPiece& piece = wreck.pieces[k];
            piece.mid = wrap_into(piece.mid + piece.vel * DT, size);
            piece.half = apply(rotation(piece.spin * DT), piece.half);
        }
        fx.wrecks[kept++] = wreck;
    }
    fx.wreck_count = kept;
}

void wrap_positions(EffectLists& fx, Vec2 size) {
    for (uint32_t i = 0; i < fx.smoke_count; ++i) fx.smoke[i].pos = wrap_into(fx.smoke[i].pos, size);
    for (uint32_t i = 0; i < fx.fire_count; ++i) fx.fire[i].pos = wrap_into(fx.fire[i].pos, size);
    for (uint32_t i = 0; i < fx.spark_count; ++i) fx.sparks[i].pos = wrap_into(fx.sparks[i].pos, size);
    for (uint32_t i = 0; i < fx.breakup_smoke_count; ++i) {
        fx.breakup_smoke[i].pos = wrap_into(fx.breakup_smoke[i].pos, size);
    }
}

}  // namespace

Rotation rotation(float angle) { return {std::cos(angle), std::sin(angle)}; }

Color owned_object_color(const World& w, const WorldObject& o) {
    bool owned_kind = o.kind == OBJECT_TURRET || o.kind == OBJECT_STATION;
    if (owned_kind && is_slot(o.owner) && w.planes[o.owner].in_use) return player_color(o.owner);
    return OBJECT_COLOR;
}

PlaneFrame plane_frame(Vec2 pos, float angle) {
    PlaneFrame f;
    f.pos = pos;
    f.dir = {std::cos(angle), std::sin(angle)};
    f.perp = {-f.dir.y, f.dir.x};
    f.nose = pos + 14 * f.dir;
    f.left = pos - 10 * f.dir + 11 * f.perp;
    f.right = pos - 10 * f.dir - 11 * f.perp;
    return f;
}

void reset_effects(EffectLists& fx) { fx = EffectLists{}; }

void advance_effects(EffectLists& fx, const World& world, const Vec2* offsets) {
    fx.explosion_count = 0;
    update_exhaust(fx.smoke, fx.smoke_count, EXHAUST_SMOKE_LIFETIME, SMOKE_DRAG);
    update_exhaust(fx.fire, fx.fire_count, EXHAUST_FIRE_LIFETIME, 1.0f);
    spawn_exhaust(fx, world, offsets);
    update_ropes(fx, world, offsets);
    break_up_planes(fx, world, offsets);
    break_up_objects(fx, world);
    update_wrecks(fx, world.size);
    update_timed(fx.sparks, fx.spark_count, 1.0f);
    update_timed(fx.breakup_smoke, fx.breakup_smoke_count, SMOKE_DRAG);
    wrap_positions(fx, world.size);
}
