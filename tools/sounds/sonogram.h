#pragma once
// A picture of a sound: time to the right, frequency upward on a logarithmic
// scale (20 Hz to half the rate), loudness as colour from black through blue
// and red to yellow (90 dB below the loudest is black).
#include <cstdint>

// Writes the sonogram of `count` samples at `rate` per second to a PNG at
// `path`. False on failure.
bool write_sonogram(const char* path, const float* samples, uint32_t count, uint32_t rate);
