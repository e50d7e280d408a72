#include "world/random.h"

#include <bit>

namespace {

uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

uint64_t read64(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

uint64_t read32(const uint8_t* p) {
    return static_cast<uint64_t>(p[0]) | static_cast<uint64_t>(p[1]) << 8 | static_cast<uint64_t>(p[2]) << 16 |
           static_cast<uint64_t>(p[3]) << 24;
}

__extension__ typedef unsigned __int128 u128;

void multiply128(uint64_t a, uint64_t b, uint64_t& lo, uint64_t& hi) {
    u128 r = static_cast<u128>(a) * b;
    lo = static_cast<uint64_t>(r);
    hi = static_cast<uint64_t>(r >> 64);
}

uint64_t mix(uint64_t a, uint64_t b) {
    uint64_t lo, hi;
    multiply128(a, b, lo, hi);
    return lo ^ hi;
}

}  // namespace

uint64_t next(Xoshiro256& g) {
    uint64_t* s = g.s;
    uint64_t result = rotl(s[0] + s[3], 23) + s[0];
    uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotl(s[3], 45);
    return result;
}

void fill(Xoshiro256& g, uint8_t* buffer, size_t size) {
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t v = next(g);
        for (int b = 0; b < 8; ++b) buffer[i + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    if (i < size) {
        uint64_t v = next(g);
        for (int b = 0; i < size; ++i, ++b) buffer[i] = static_cast<uint8_t>(v >> (8 * b));
    }
}

float next_float(Xoshiro256& g) {
    uint64_t r = next(g);
    uint32_t z;
    if (r >= (1ull << 23)) {
        z = static_cast<uint32_t>(std::countl_zero(r));
    } else {
        uint64_t r2 = next(g);
        z = 41 + static_cast<uint32_t>(std::countl_zero(r2));
        if (z == 105) {
            uint32_t r3 = static_cast<uint32_t>(next(g));
            z = 105 + static_cast<uint32_t>(std::countl_zero(r3 | 0x7FFu));
        }
    }
    uint32_t bits = ((static_cast<uint32_t>(r) & 0x7FFFFFu) | 0x3F000000u) - z * (1u << 23);
    return std::bit_cast<float>(bits);
}

Xoshiro256 seed_xoshiro(uint64_t seed) {
    Xoshiro256 g{};
    for (auto& word : g.s) {
        seed += 0x9e3779b97f4a7c15ull;
        uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        word = z ^ (z >> 31);
    }
    return g;
}

uint64_t hash_draw(uint64_t seed, const void* data, size_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint64_t s = seed ^ mix(seed ^ HASH_P0, HASH_P1);
    uint64_t a = 0, b = 0;
    if (length <= 16) {
        if (length >= 4) {
            size_t q = (length >> 3) << 2;
            a = (read32(p) << 32) | read32(p + q);
            b = (read32(p + length - 4) << 32) | read32(p + length - 4 - q);
        } else if (length > 0) {
            a = (static_cast<uint64_t>(p[0]) << 16) | (static_cast<uint64_t>(p[length >> 1]) << 8) | p[length - 1];
        }
    } else {
        size_t i = length;
        const uint8_t* q = p;
        while (i > 16) {
            s = mix(read64(q) ^ HASH_P1, read64(q + 8) ^ s);
            q += 16;
            i -= 16;
        }
        a = read64(p + length - 16);
        b = read64(p + length - 8);
    }
    a ^= HASH_P1;
    b ^= s;
    uint64_t lo, hi;
    multiply128(a, b, lo, hi);
    return mix(lo ^ HASH_P0 ^ length, hi ^ HASH_P1);
}

float hash_fraction_lo(uint64_t h) { return static_cast<float>(h & 0xFFFFFFu) * 5.9604645e-8f; }
float hash_fraction_hi(uint64_t h) { return static_cast<float>((h >> 32) & 0xFFFFFFu) * 5.9604645e-8f; }
