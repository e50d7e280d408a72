#pragma once
// Hashes of the scripted game (scenario.cpp) after every 1000 ticks, each
// folding in the world after every tick so far.
// Recorded with `determinism_O2 --print`. A change to the simulation's rules
// changes them on purpose: record them again and say so in the commit.
#include <cstdint>

#include "scenario.h"

constexpr uint64_t DETERMINISM_GOLDEN[SCENARIO_HASHES] = {
    0xb8406052d461eb65ull,
    0x2fe69e4bb1548010ull,
    0x49fb786497f029e9ull,
    0xc3b1e50d750fffa2ull,
    0xade5a9761af7a988ull,
    0xbe1c183d71ec642full,
    0x5219a73dfd52f8bfull,
    0xefcaf3afeeb51e44ull,
    0xf356b02cd25f2cf8ull,
    0xe76874cefb2b0c7eull,
    0x2bbe36f26090ae4eull,
    0x83962d7e962750fcull,
    0x49f3ee565b7db3ddull,
    0xb3c89fc901c5faa9ull,
    0xe8af52864c4b7f01ull,
    0x32f5ddfc1bd91543ull,
    0x3f8d6bc765b6a5a0ull,
    0x21248074a342a11bull,
    0x95b0f6bb0c903b03ull,
    0x3c557f1ed59ee7b3ull,
    0xcaf0cdf731376abaull,
};
