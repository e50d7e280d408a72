#pragma once
// World hashes of the scripted game (scenario.cpp) after every 1000 ticks.
// Recorded with `determinism_O2 --print`. A change to the simulation's rules
// changes them on purpose: record them again and say so in the commit.
#include <cstdint>

#include "scenario.h"

constexpr uint64_t DETERMINISM_GOLDEN[SCENARIO_HASHES] = {
    0xeef45affb3377829ull,
    0x99a0b9e9eff306c7ull,
    0xb3d7a76ad9c9aaf4ull,
    0xc84a9227e42de586ull,
    0xc1515186fb91a91eull,
    0xf476c399b0e50e5dull,
    0x36d55bf9f77b313cull,
    0xf5b1fa5ddfd47001ull,
    0x2e28b3197347d696ull,
    0x36bf6d0b46ca7c34ull,
    0x651bf32d4ea5bd1dull,
    0xefc15a744e367f13ull,
    0xd013b338d28bf136ull,
    0xe60c7bb15ae00a20ull,
    0x4c1b60a97bc3d7dcull,
    0x2acc172653277d4eull,
    0xccfa8a3185dd6cd3ull,
    0x05143e694fb84db8ull,
    0x8b6d769f45e4a9eeull,
    0x773a4a8373d13485ull,
    0x83f3981c628685d6ull,
};
