#pragma once
// Reproducible randomness. The generator (xoshiro256++) feeds the star field,
// effects and sound synthesis from fixed state words; the step itself draws no
// generator randomness and hashes world values instead (wyhash).
#include <cstddef>
#include <cstdint>

struct Xoshiro256 {
    uint64_t s[4];
};

constexpr Xoshiro256 make_xoshiro(uint64_t s0, uint64_t s1, uint64_t s2, uint64_t s3) { return {{s0, s1, s2, s3}}; }
uint64_t next(Xoshiro256& g);
void fill(Xoshiro256& g, uint8_t* buffer, size_t size);
// Uniform on [0, 1) with every representable float possible.
float next_float(Xoshiro256& g);

// Splits a 64-bit seed into generator state (splitmix64).
Xoshiro256 seed_xoshiro(uint64_t seed);

constexpr uint64_t HASH_P0 = 0xa0761d6478bd642full;
constexpr uint64_t HASH_P1 = 0xe7037ed1a0b428dbull;

// 64-bit wyhash of up to 32 data bytes with the secret (P0, P1).
uint64_t hash_draw(uint64_t seed, const void* data, size_t length);

// The two 24-bit fractions in [0, 1) that the step takes from a hash.
float hash_fraction_lo(uint64_t h);
float hash_fraction_hi(uint64_t h);
