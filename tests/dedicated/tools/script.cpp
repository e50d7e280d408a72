#include "script.h"

#include "client/client_session.h"
#include "world/fmath.h"
#include "world/geometry.h"

namespace {

constexpr float FAR_FROM_VESSEL = 1500.0f;  // further away it buys a new one
constexpr float APPROACH_SPEED = 60.0f;     // slow enough for the pull to hold it
constexpr uint64_t BUY_EVERY = 240;         // ticks between two purchases

// The own exit vessel nearest to `from`, or -1.
int nearest_own_vessel(const World& w, uint8_t slot, Vec2 from, float& distance) {
    int best = -1;
    distance = FAR_FROM_VESSEL;
    for (uint64_t i = 0; i < w.object_count; ++i) {
        const WorldObject& o = w.objects[i];
        if (o.kind != OBJECT_VESSEL || o.owner != slot || o.destroyed || o.free) continue;
        const float d = length(wrapped_delta(from, o.pos, w.size));
        if (d < distance) {
            distance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Signed turn from angle a to angle b, in (-pi, pi].
float turn_between(float a, float b) {
    const float d = wrap_angle(b - a);
    return d > 3.14159265f ? d - 6.2831853f : d;
}

}  // namespace

InputByte patterned_input(size_t client, uint64_t tick, bool always_fire) {
    const uint64_t t = tick + client * 97;
    InputByte in;
    in.thrust = (t / 60) % 3 != 0;
    in.turn_left = (t / 45) % 4 == 1;
    in.turn_right = (t / 45) % 4 == 3;
    in.fire = always_fire || (t / 20) % 5 == 0;
    in.hook_key = t % 600 < 5;
    return in;
}

InputByte boarding_input(const ClientSession& c, uint64_t tick) {
    InputByte in;
    const World& w = c.world;
    if (c.state != ConnectionState::Joined || c.own_slot >= MAX_PLANES || w.winner != NONE) return in;
    const uint8_t slot = static_cast<uint8_t>(c.own_slot);
    const Plane& p = w.planes[slot];
    if (!p.in_use || p.dead || p.boarding_vessel != NONE) return in;
    float distance = 0;
    const int v = nearest_own_vessel(w, slot, p.pos, distance);
    if (v < 0) {
        if (tick % BUY_EVERY == 0) in.buy_item = ITEM_EXIT_VESSEL;
        return in;
    }
    // Steer the velocity towards a slow approach of the vessel's centre:
    // point the nose along the missing velocity and thrust when it lines up.
    const WorldObject& o = w.objects[v];
    const Vec2 to_vessel = wrapped_delta(p.pos, o.pos, w.size);
    const float speed = distance > 1.0f ? (distance < 2.0f * APPROACH_SPEED ? distance / 2.0f : APPROACH_SPEED) : 0.0f;
    const Vec2 wanted = distance > 1.0f ? to_vessel * (speed / distance) : Vec2{0, 0};
    const Vec2 missing = wanted - (p.vel - o.vel);
    if (length(missing) < 8.0f) return in;
    const float turn = turn_between(p.angle, fatan2(missing.y, missing.x));
    in.turn_left = turn < -0.05f;
    in.turn_right = turn > 0.05f;
    in.thrust = std::fabs(turn) < 0.35f;
    return in;
}
