#pragma once
// A 64-bit FNV-1a hash of every field of a world, in declaration order, floats
// by their bits. Padding never enters it, so equal worlds hash equal whatever
// the compiler left between the fields.
#include <cstdint>

#include "world/world.h"

uint64_t hash_world(const World& w);
