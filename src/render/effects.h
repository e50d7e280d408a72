#pragma once
// Short-lived visual particles that are not part of the simulated world:
// engine exhaust, break-ups of destroyed planes and objects, and one rope per
// player between a plane and its hauling hook. The client session advances
// them once per tick; the world drawing draws them. Purely cosmetic.
#include <cstdint>
#include <type_traits>

#include "base/color.h"
#include "world/random.h"
#include "world/vec2.h"
#include "world/world.h"

constexpr uint32_t EXHAUST_SMOKE_CAPACITY = 512;
constexpr uint32_t EXHAUST_FIRE_CAPACITY = 512;
constexpr uint32_t SPARK_CAPACITY = 512;
constexpr uint32_t BREAKUP_SMOKE_CAPACITY = 128;
constexpr uint32_t WRECK_CAPACITY = 8;
constexpr uint32_t WRECK_PIECES = 6;
constexpr int ROPE_POINTS = 16;
constexpr uint32_t EXPLOSION_CAPACITY = MAX_PLANES + MAX_OBJECTS;

constexpr float EXHAUST_SMOKE_LIFETIME = 1.0f;
constexpr float EXHAUST_FIRE_LIFETIME = 0.25f;
constexpr float WRECK_LIFETIME = 1.2f;

// Exhaust particle: fixed lifetime per list.
struct ExhaustParticle {
    Vec2 pos;
    Vec2 vel;
    float age;
    float size;
};

// Spark or break-up smoke puff: each with its own lifetime.
struct TimedParticle {
    Vec2 pos;
    Vec2 vel;
    float age;
    float lifetime;
    float size;
};

// One flying stroke of a wreck: the segment mid ± half.
struct WreckPiece {
    Vec2 mid;
    Vec2 vel;
    Vec2 half;
    float spin;  // radians per second
};

struct Wreck {
    Vec2 centre;
    Vec2 vel;
    WreckPiece pieces[WRECK_PIECES];
    uint32_t piece_count;
    float age;
    Color color;
};

// A rope of 16 points kept relative to its anchor (the plane's nose), so it
// never straddles the world's seam.
struct HookRope {
    bool active;
    Vec2 anchor;
    Vec2 points[ROPE_POINTS];
};

// Fixed generator states, so every run shows the same particles.
constexpr Xoshiro256 EXHAUST_SMOKE_SEED = make_xoshiro(0x3c6ef372fe94f82bull, 0xa54ff53a5f1d36f1ull,
                                                       0x510e527fade682d1ull, 0x9b05688c2b3e6c1full);
constexpr Xoshiro256 EXHAUST_FIRE_SEED = make_xoshiro(0x1f83d9abfb41bd6bull, 0x5be0cd19137e2179ull,
                                                      0xcbbb9d5dc1059ed8ull, 0x629a292a367cd507ull);
constexpr Xoshiro256 BREAKUP_SEED = make_xoshiro(0x9159015a3070dd17ull, 0x152fecd8f70e5939ull,
                                                 0x67332667ffc00b31ull, 0x8eb44a8768581511ull);

struct EffectLists {
    ExhaustParticle smoke[EXHAUST_SMOKE_CAPACITY] = {};
    uint32_t smoke_count = 0;
    ExhaustParticle fire[EXHAUST_FIRE_CAPACITY] = {};
    uint32_t fire_count = 0;
    TimedParticle sparks[SPARK_CAPACITY] = {};
    uint32_t spark_count = 0;
    TimedParticle breakup_smoke[BREAKUP_SMOKE_CAPACITY] = {};
    uint32_t breakup_smoke_count = 0;
    Wreck wrecks[WRECK_CAPACITY] = {};
    uint32_t wreck_count = 0;
    HookRope ropes[MAX_PLANES] = {};

    Xoshiro256 smoke_random = EXHAUST_SMOKE_SEED;
    Xoshiro256 fire_random = EXHAUST_FIRE_SEED;
    Xoshiro256 breakup_random = BREAKUP_SEED;

    // Per slot, from the previous tick.
    float smoke_timer[MAX_PLANES] = {};
    float fire_timer[MAX_PLANES] = {};
    // A plane counts as alive only while present and not dead, and an object
    // entry as present only while neither destroyed nor free and below the
    // count: a world that arrives whole (the first snapshot) breaks nothing up.
    bool plane_was_alive[MAX_PLANES] = {};
    bool object_was_present[MAX_OBJECTS] = {};

    // Where this tick's break-ups happened, for the explosion sound.
    Vec2 explosions[EXPLOSION_CAPACITY] = {};
    uint32_t explosion_count = 0;
};

// Reset by assigning a fresh value, so no field can be forgotten.
static_assert(std::is_trivially_copyable_v<EffectLists>);

// Empty lists, generators at their fixed states and nothing counted as alive.
void reset_effects(EffectLists& fx);

// One tick (1/120 s): ages and moves every particle, spawns exhaust and
// break-ups from the world after its step, and moves the hook ropes.
// `offsets` are the per-slot display offsets of the planes (drawn position =
// simulated position + offset); null means none.
void advance_effects(EffectLists& fx, const World& world, const Vec2* offsets);
