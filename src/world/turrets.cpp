#include "world/turrets.h"

#include <cmath>

#include "world/fmath.h"
#include "world/geometry.h"
#include "world/world_limits.h"

namespace {

struct Target {
    bool found;
    Vec2 aim;  // where to point: the target's offset plus its lead
};

Target pick_target(const World& w, const WorldObject& t) {
    Target target{false, {0, 0}};
    float best = w.rules.turret_range;
    for (int i = 0; i < MAX_PLANES; ++i) {
        const Plane& p = w.planes[i];
        if (!p.in_use || p.dead || i == t.owner) continue;
        Vec2 D = wrapped_delta(t.pos, p.pos, w.size);
        float dist = length(D);
        if (dist < best) {
            best = dist;
            target = {true, D + (p.vel - t.vel) * (dist / TURRET_SHOT_SPEED)};
        }
    }
    return target;
}

void fire(World& w, const WorldObject& t) {
    uint16_t damage = w.rules.shot_damage;
    if (t.upgraded) damage = static_cast<uint16_t>(damage * 2);
    if (w.shot_count >= MAX_SHOTS) return;
    float s, c;
    fsincos(t.turret_aim, s, c);
    Vec2 f{c, s};
    Vec2 muzzle = wrap(t.pos + f * TURRET_MUZZLE, w.size);
    push_event_at(w, EVENT_SHOT_FIRED, muzzle, is_slot(t.owner) ? t.owner : NONE);
    Shot& shot = w.shots[w.shot_count++];
    shot.pos = muzzle;
    shot.vel = t.vel + f * TURRET_SHOT_SPEED;
    shot.age = 0;
    shot.damage = damage;
    shot.owner = is_slot(t.owner) ? t.owner : NONE;
}

void update_turret(World& w, WorldObject& t) {
    float cooldown = t.turret_cooldown - TICK;
    t.turret_cooldown = cooldown > 0.0f ? cooldown : 0.0f;
    Target target = pick_target(w, t);
    if (!target.found) return;

    float bearing = fatan2(target.aim.y, target.aim.x);
    float off = bearing - t.turret_aim;
    float delta = fatan2(fsin(off), fcos(off));  // signed, in (-pi, pi]
    float max_step = w.rules.turret_turn_rate * TICK;
    float step = delta < -max_step ? -max_step : (delta > max_step ? max_step : delta);
    t.turret_aim = wrap_angle(t.turret_aim + step);

    if (std::fabs(delta - step) < TURRET_AIM_TOLERANCE && t.turret_cooldown == 0.0f) {
        fire(w, t);
        t.turret_cooldown = w.rules.turret_reload;
    }
}

}  // namespace

void update_turrets(World& w) {
    int count = object_limit(w);
    for (int i = 0; i < count; ++i) {
        WorldObject& t = w.objects[i];
        if (t.kind != OBJECT_TURRET || t.destroyed || t.free) continue;
        update_turret(w, t);
    }
}
