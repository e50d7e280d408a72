#include "world/hooks.h"

#include "world/collision.h"
#include "world/fmath.h"
#include "world/geometry.h"
#include "world/hulls.h"
#include "world/world_limits.h"

namespace {

Vec2 heading(float angle) {
    float s, c;
    fsincos(angle, s, c);
    return {c, s};
}

Vec2 nose_of(const Plane& p) { return p.pos + heading(p.angle) * HOOK_NOSE_OFFSET; }

float clamp_rope(float length) {
    if (length < ROPE_MIN) return ROPE_MIN;
    if (length > HOOK_LINE) return HOOK_LINE;
    return length;
}

void attach(World& w, Plane& p, int k, Vec2 x, Vec2 nose) {
    WorldObject& o = w.objects[k];
    p.hook_state = HOOK_ATTACHED;
    if (o.kind == OBJECT_COLLECTOR) o.owner = slot_of(w, p);
    p.hook_object = static_cast<uint8_t>(k);
    p.hook_anchor = rotate_inverse(x - o.pos, o.angle);
    p.hook_pos = wrap(x, w.size);
    p.rope_length = clamp_rope(length(wrapped_delta(x, nose, w.size)));
    push_event_at(w, EVENT_CATCH, p.hook_pos);
}

// Whether a hook moving `reach` from `e` can touch the object at all: its hull
// lies within its farthest point's distance of its centre, the hook reaches
// 2.5 beyond its path (both in object_radius), and 1 wu covers float rounding.
// Objects beyond cannot be hit and need no sweep.
bool within_reach(const WorldObject& o, Vec2 centre, Vec2 e, float reach) {
    float limit = object_radius(o) + reach + 1.0f;
    Vec2 d = centre - e;
    return dot(d, d) <= limit * limit;
}

void update_flying(World& w, Plane& p, Vec2 nose) {
    Vec2 e = p.hook_pos;
    Vec2 end = e + p.hook_vel * TICK;
    Vec2 move = end - e;
    float reach = length(move);
    int hit = -1;
    float hit_t = 0;
    Vec2 hit_shift{0, 0};
    int count = object_limit(w);
    for (int k = 0; k < count; ++k) {
        const WorldObject& o = w.objects[k];
        if (o.destroyed || o.free) continue;
        Vec2 centre = nearest_copy(o.pos, e, w.size);
        if (!within_reach(o, centre, e, reach)) continue;
        Vec2 hull[MAX_HULL_POINTS];
        int n = object_hull_at(o, centre, hull);
        SweepHit s = sweep_polygon(e, move, hull, n);
        if (s.hit && (hit < 0 || s.t < hit_t)) {
            hit = k;
            hit_t = s.t;
            hit_shift = centre - o.pos;
        }
    }
    if (hit >= 0) {
        Vec2 x = e + (end - e) * hit_t;
        attach(w, p, hit, x - hit_shift, nose);
        return;
    }
    p.hook_pos = wrap(end, w.size);
    if (length(wrapped_delta(nose, p.hook_pos, w.size)) >= HOOK_LINE) p.hook_state = HOOK_TETHERED;
}

void update_attached(World& w, Plane& p, Vec2 nose) {
    if (!is_object_index(w, p.hook_object) || w.objects[p.hook_object].destroyed || w.objects[p.hook_object].free) {
        p.hook_state = HOOK_REELING;
        return;
    }
    WorldObject& o = w.objects[p.hook_object];
    Vec2 r = rotate(p.hook_anchor, o.angle);
    Vec2 a = o.pos + r;
    p.hook_pos = wrap(a, w.size);
    p.hook_vel = o.vel + Vec2{o.spin * -r.y, o.spin * r.x};

    Vec2 D = wrapped_delta(nose, a, w.size);
    float c = length(D);
    if (c < 0.001f || c <= p.rope_length) return;  // a slack rope pulls nothing
    Vec2 n = D / c;
    float rel = dot(p.hook_vel - p.vel, n);
    float pull = (c - p.rope_length) * ROPE_STIFFNESS + rel * ROPE_DAMPING;
    float j = (pull > 0.0f ? pull : 0.0f) * TICK;
    p.vel += n * j;
    o.vel -= n * (j / o.mass);
    o.spin += (r.x * (-n.y * j) - r.y * (-n.x * j)) / o.inertia;
}

void update_tethered(World& w, Plane& p, Vec2 nose) {
    p.hook_pos = wrap(p.hook_pos + p.hook_vel * TICK, w.size);
    Vec2 D = wrapped_delta(nose, p.hook_pos, w.size);
    float l = length(D);
    if (l > HOOK_LINE) {
        p.hook_pos = wrap(nose + D * (HOOK_LINE / l), w.size);
        p.hook_vel = p.vel;  // dragged along at the end of the line
    }
}

void update_reeling(World& w, Plane& p, Vec2 nose) {
    Vec2 D = wrapped_delta(p.hook_pos, nose, w.size);
    float l = length(D);
    if (l <= HOOK_STOW_DISTANCE) {
        stow_hook(p);
        return;
    }
    p.hook_vel = p.vel + D * (HOOK_REEL_SPEED / l);
    p.hook_pos = wrap(p.hook_pos + p.hook_vel * TICK, w.size);
}

}  // namespace

void stow_hook(Plane& p) {
    p.hook_pos = {0, 0};
    p.hook_vel = {0, 0};
    p.hook_anchor = {0, 0};
    p.rope_length = 0;
    p.hook_state = HOOK_FLYING;
    p.hook_object = 0;
    p.hook_out = false;
}

void fire_hook(World& w, Plane& p) {
    Vec2 f = heading(p.angle);
    p.hook_out = true;
    p.hook_state = HOOK_FLYING;
    p.hook_object = 0;
    p.hook_pos = p.pos + f * HOOK_NOSE_OFFSET;
    p.hook_vel = p.vel - f * HOOK_LAUNCH_SPEED;
    p.hook_anchor = {0, 0};
    p.rope_length = 0;
    push_event_at(w, EVENT_HOOK_FIRED, wrap(p.hook_pos, w.size));  // the nose may lie across the seam
}

void update_hook(World& w, Plane& p) {
    Vec2 nose = nose_of(p);
    switch (p.hook_state) {
        case HOOK_FLYING: update_flying(w, p, nose); break;
        case HOOK_ATTACHED: update_attached(w, p, nose); break;
        case HOOK_TETHERED: update_tethered(w, p, nose); break;
        case HOOK_REELING: update_reeling(w, p, nose); break;
        default: break;  // an unknown state from the wire does nothing
    }
}
