#pragma once
// Mono 32-bit float WAV files.
#include <cstdint>

// Writes `count` samples at `rate` per second to `path`. False on failure.
bool write_wav(const char* path, const float* samples, uint32_t count, uint32_t rate);
