#pragma once
// The game's six sounds, computed from formulas and a fixed-seed generator at
// start-up: mono float samples at 48000 per second, the same on every run.
#include <cstdint>

#include "world/random.h"

constexpr int SOUND_RATE = 48000;
constexpr int SOUND_COUNT = 6;

// Index of each sound in the bank.
enum SoundIndex : uint8_t {
    SOUND_ENGINE = 0,  // engine hum, a seamless 1 s loop
    SOUND_SHOT = 1,    // shot fired
    SOUND_IMPACT = 2,  // impact, hook fired, shield broken, break-up
    SOUND_HIT = 3,     // shot hit, catch
    SOUND_WIN = 4,     // round won
    SOUND_CHIME = 5,   // collector gathered, object upgraded
};

constexpr uint32_t SOUND_LENGTHS[SOUND_COUNT] = {48000, 5760, 16800, 5760, 67200, 120000};
// The largest absolute sample of each sound.
constexpr float SOUND_PEAKS[SOUND_COUNT] = {0.5f, 0.45f, 0.7f, 0.4f, 0.8f, 0.25f};
constexpr uint32_t SOUND_BANK_SAMPLES = 263520;  // the lengths added up

// The generator's fixed start; the sounds draw from it in index order.
constexpr Xoshiro256 SOUND_SEED = make_xoshiro(0xE86CB354005480EFull, 0x824D042A1830E046ull,
                                               0xF05AE3B54FCA495Dull, 0x17AF91CD4D2ED08Cull);

// All six sounds one after the other (about 1 MB).
struct SoundBank {
    float samples[SOUND_BANK_SAMPLES];
};

struct SoundView {
    const float* samples;
    uint32_t count;
};

// Where sound `index` (0..5) starts in the bank.
uint32_t sound_offset(int index);
SoundView sound_view(const SoundBank& bank, int index);

// Computes the six sounds into `bank`.
void synthesize_sounds(SoundBank& bank);

// A hash over the bits of every sample (little-endian), to pin the sounds.
uint64_t sound_bank_hash(const SoundBank& bank);
