#include "world/flight.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "world/damage.h"
#include "world/fmath.h"
#include "world/forces.h"
#include "world/geometry.h"
#include "world/hooks.h"
#include "world/purchases.h"
#include "world/random.h"

namespace {

void put_float(uint8_t* out, float v) {
    uint32_t bits = std::bit_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// The gun's spread for this tick, hashed from where the plane is and goes.
float gun_spread(const Plane& p, int slot) {
    uint8_t bytes[20];
    put_float(bytes + 0, p.pos.x);
    put_float(bytes + 4, p.pos.y);
    put_float(bytes + 8, p.vel.x);
    put_float(bytes + 12, p.vel.y);
    put_float(bytes + 16, p.angle);
    float u = hash_fraction_lo(hash_draw(static_cast<uint64_t>(slot), bytes, sizeof bytes));
    return (2.0f * u - 1.0f) * GUN_SPREAD;
}

void steer(Plane& p) {
    float angle = p.angle;
    if (p.turn_left) angle = angle - TURN_PER_TICK;
    if (p.turn_right) angle = angle + TURN_PER_TICK;
    p.angle = wrap_angle(angle);
}

void limit_speed(Plane& p) {
    float speed = length(p.vel);
    if (speed > TOP_SPEED) p.vel = p.vel * (TOP_SPEED / speed);
}

void fire_gun(World& w, Plane& p, int slot, Vec2 f) {
    float cooldown = p.fire_cooldown - TICK;
    p.fire_cooldown = cooldown > 0.0f ? cooldown : 0.0f;
    if (!p.fire || p.fire_cooldown != 0.0f) return;
    float spread = gun_spread(p, slot);
    if (w.shot_count < MAX_SHOTS) {
        Vec2 muzzle = wrap(p.pos + NOSE_OFFSET * f + MUZZLE_OFFSET * f, w.size);
        push_event_at(w, EVENT_SHOT_FIRED, muzzle, static_cast<uint8_t>(slot));
        float s, c;
        fsincos(p.angle + spread, s, c);
        Shot& shot = w.shots[w.shot_count++];
        shot = Shot{};
        shot.pos = muzzle;
        shot.vel = p.vel + SHOT_SPEED * Vec2{c, s};
        shot.age = 0.0f;
        shot.damage = w.rules.shot_damage;
        shot.owner = static_cast<uint8_t>(slot);
    }
    p.fire_cooldown = GUN_COOLDOWN;
}

void press_hook_key(World& w, Plane& p) {
    if (p.hook_key && !p.hook_key_was_down) {
        if (!p.hook_out) fire_hook(w, p);
        else p.hook_state = HOOK_REELING;
    }
    p.hook_key_was_down = p.hook_key;
}

}  // namespace

void update_live_plane(World& w, int slot) {
    Plane& p = w.planes[slot];
    Vec2 a = gravity(w, p.pos);
    if (!p.thrust) a = a + orbit_assist(w, p.pos, p.vel);
    p.vel += a * TICK;

    steer(p);
    float s, c;
    fsincos(p.angle, s, c);
    Vec2 f{c, s};
    if (p.thrust) {
        p.vel += f * THRUST_PER_TICK;
        float flame = p.flame + FLAME_RISE;
        p.flame = flame < 1.0f ? flame : 1.0f;
    } else {
        float flame = p.flame - FLAME_FALL;
        p.flame = flame > 0.0f ? flame : 0.0f;
    }
    limit_speed(p);
    p.pos = wrap(p.pos + p.vel * TICK, w.size);

    fire_gun(w, p, slot, f);
    press_hook_key(w, p);
    if (p.buy_item != ITEM_NONE) {
        uint8_t item = p.buy_item;
        p.buy_item = ITEM_NONE;
        purchase(w, slot, item);
    }
}

void update_planes(World& w) {
    for (int slot = 0; slot < MAX_PLANES; ++slot) {
        Plane& p = w.planes[slot];
        if (!p.in_use) continue;
        if (p.dead) update_dead_plane(w, p);
        else update_live_plane(w, slot);
    }
}
