#pragma once
// Hashes of the scripted game (scenario.cpp) after every 1000 ticks, each
// folding in the world after every tick so far.
// Recorded with `determinism_O2 --print`. A change to the simulation's rules
// changes them on purpose: record them again and say so in the commit.
#include <cstdint>

#include "scenario.h"

constexpr uint64_t DETERMINISM_GOLDEN[SCENARIO_HASHES] = {
    0x450db1d3cff103b7ull,
    0x7e10c509e804ecfdull,
    0x556b19bbee7a26bbull,
    0x053da0ba45fa3456ull,
    0xcf013671fc3a2a22ull,
    0x9dbeccd16deb6b7dull,
    0x6a02d74f3ff7b10full,
    0xeeecb6a572b93f92ull,
    0x0048372fc919e63bull,
    0x01c92335f116e325ull,
    0x0e848cf3a982fb05ull,
    0x998c2f9212aa9953ull,
    0x48c06ce59f6b6180ull,
    0x170b518a6e49bbd7ull,
    0xc21c3cdaef91152dull,
    0xa983c9a28d545b7full,
    0x6a63e1adb4bdf6e2ull,
    0xaba2a7b54ef5389aull,
    0x512be229a0eda06eull,
    0x97e4c69fbeab29efull,
    0x7d821499ac889c0dull,
};
