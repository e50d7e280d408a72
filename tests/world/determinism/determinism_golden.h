#pragma once
// Hashes of the scripted game (scenario.cpp) after every 1000 ticks, each
// folding in the world after every tick so far.
// Recorded with `determinism_O2 --print`. A change to the simulation's rules
// changes them on purpose: record them again and say so in the commit.
#include <cstdint>

#include "scenario.h"

constexpr uint64_t DETERMINISM_GOLDEN[SCENARIO_HASHES] = {
    0x9fbc031c61093805ull,
    0xfb3e1510fb59e510ull,
    0xe57cf4befe633c49ull,
    0x51f8c9038b2d8be2ull,
    0x8de0100c0e622d88ull,
    0xb8ae69eab1b9d52full,
    0x305faa407e7ee21full,
    0x8b2485d7a7969d24ull,
    0x926a460de694f938ull,
    0x1b09e987d3232ddeull,
    0x5266d604c8d59f4eull,
    0xc731988b6a9235fcull,
    0x8bdab9bcca0eb61dull,
    0x5b0ca493e030e869ull,
    0x9d349d6c2f64d201ull,
    0x135727ecb19085c3ull,
    0x9ebcb08733f4ba00ull,
    0xefab794a5ab2809bull,
    0x510fb56b76dbc0e3ull,
    0xf0f3a34f2d335af3ull,
    0x5cb052be9d4bccdaull,
};
