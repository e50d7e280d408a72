#pragma once
// A 64-bit FNV-1a hash of a world: every field of the planes, and of the
// objects (their hull points below the point count), bodies, shots and
// events below their counts, in declaration order, floats by their bits.
// Padding never enters it, so equal worlds hash equal whatever the compiler
// left between the fields. Hashing a world onto the previous hash folds a
// whole run into one value: the determinism check folds a whole game into
// it, and protocol 21 compares the server's world with each client's
// confirmed world by it.
#include <cstdint>

#include "world/world.h"

constexpr uint64_t FNV_OFFSET = 0xcbf29ce484222325ull;

uint64_t hash_world(const World& w, uint64_t previous = FNV_OFFSET);
