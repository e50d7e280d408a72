#include "audio/sounds.h"

#include <bit>
#include <cmath>

#include "audio/soft_tanh.h"
#include "world/fmath.h"
#include "world/geometry.h"

namespace {

constexpr uint32_t ENGINE_FADE = 4800;  // the loop's cross-fade, 0.1 s

float time_of(uint32_t i) { return static_cast<float>(i) / static_cast<float>(SOUND_RATE); }

// n = 2u - 1, one draw per sample.
float noise(Xoshiro256& g) { return 2.0f * next_float(g) - 1.0f; }

// sin(2π·hz·t), multiplied left to right.
float tone(float hz, float t) { return fsin(TWO_PI * hz * t); }

// Brown noise, low-passed, slowly pulsing. The loop is seamless: its first
// 0.1 s fade from the noise that would follow its end into its own start.
void engine_hum(Xoshiro256& g, float* out) {
    const uint32_t loop = SOUND_LENGTHS[SOUND_ENGINE];
    float after_end[ENGINE_FADE];
    float b = 0, c = 0;
    for (uint32_t i = 0; i < loop + ENGINE_FADE; ++i) {
        const float n = noise(g);
        b = 0.995f * b + 0.08f * n;
        c += 0.08f * (b - c);
        if (i < loop) {
            out[i] = c;
        } else {
            after_end[i - loop] = c;
        }
    }
    for (uint32_t i = 0; i < loop; ++i) {
        float m = out[i];
        if (i < ENGINE_FADE) {
            const float w = static_cast<float>(i) / static_cast<float>(ENGINE_FADE);
            m = out[i] * w + after_end[i] * (1.0f - w);
        }
        out[i] = (0.85f + 0.15f * tone(23.0f, time_of(i))) * m;
    }
}

// A noise burst over a falling tone.
void shot(Xoshiro256& g, float* out) {
    float l = 0, phase = 0;
    for (uint32_t i = 0; i < SOUND_LENGTHS[SOUND_SHOT]; ++i) {
        const float n = noise(g);
        const float t = time_of(i);
        l += 0.15f * (n - l);
        phase += (70.0f + 180.0f * fexp(-25.0f * t)) / 48000.0f;
        const float x = 1.5f * (0.9f * fexp(-60.0f * t) * (n - l) + fexp(-28.0f * t) * fsin(TWO_PI * phase));
        out[i] = ftanh(x);
    }
}

// Five decaying partials and a crack of noise.
void impact(Xoshiro256& g, float* out) {
    float l = 0;
    for (uint32_t i = 0; i < SOUND_LENGTHS[SOUND_IMPACT]; ++i) {
        const float n = noise(g);
        const float t = time_of(i);
        l += 0.2f * (n - l);
        out[i] = 0.6f * tone(310.0f, t) * fexp(-12.0f * t) + 0.45f * tone(745.0f, t) * fexp(-18.0f * t) +
                 0.3f * tone(1270.0f, t) * fexp(-25.0f * t) + 0.2f * tone(2030.0f, t) * fexp(-35.0f * t) +
                 0.6f * tone(80.0f, t) * fexp(-20.0f * t) + 0.8f * fexp(-50.0f * t) * (n - l);
    }
}

// A short high tick.
void hit(Xoshiro256& g, float* out) {
    float l = 0;
    for (uint32_t i = 0; i < SOUND_LENGTHS[SOUND_HIT]; ++i) {
        const float n = noise(g);
        const float t = time_of(i);
        l += 0.2f * (n - l);
        out[i] = 0.3f * tone(2400.0f, t) * fexp(-30.0f * t) + fexp(-45.0f * t) * (n - l);
    }
}

// A deep rumble with a falling tone, attacked over 5 ms.
void win(Xoshiro256& g, float* out) {
    float b = 0, c = 0, phase = 0;
    for (uint32_t i = 0; i < SOUND_LENGTHS[SOUND_WIN]; ++i) {
        const float n = noise(g);
        const float t = time_of(i);
        b = 0.99f * b + 0.15f * n;
        c += 0.15f * (b - c);
        phase += (30.0f + 55.0f * fexp(-2.0f * t)) / 48000.0f;
        const float attack = std::fmin(t / 0.005f, 1.0f);
        const float x = 2.0f * attack * (fexp(-3.2f * t) * c + 0.6f * fexp(-5.0f * t) * fsin(TWO_PI * phase));
        out[i] = ftanh(x);
    }
}

// A fifth that swells and fades over soft noise.
void chime(Xoshiro256& g, float* out) {
    float l = 0;
    for (uint32_t i = 0; i < SOUND_LENGTHS[SOUND_CHIME]; ++i) {
        const float n = noise(g);
        const float t = time_of(i);
        l += 0.05f * (n - l);
        const float swell = fsin(PI * t / 2.5f);
        out[i] = (0.8f * l + (tone(220.0f, t) + 0.6f * tone(330.0f, t)) * (0.9f + 0.1f * tone(3.0f, t))) *
                 (swell * swell);
    }
}

// Scales so that the largest absolute sample is `peak`; dividing first makes
// that sample exactly ±peak.
void normalise(float* s, uint32_t count, float peak) {
    float largest = 0;
    for (uint32_t i = 0; i < count; ++i) largest = std::fmax(largest, std::fabs(s[i]));
    if (largest == 0) return;
    for (uint32_t i = 0; i < count; ++i) s[i] = s[i] / largest * peak;
}

}  // namespace

uint32_t sound_offset(int index) {
    uint32_t offset = 0;
    for (int k = 0; k < index && k < SOUND_COUNT; ++k) offset += SOUND_LENGTHS[k];
    return offset;
}

SoundView sound_view(const SoundBank& bank, int index) {
    return {bank.samples + sound_offset(index), SOUND_LENGTHS[index]};
}

void synthesize_sounds(SoundBank& bank) {
    using Synth = void (*)(Xoshiro256&, float*);
    constexpr Synth SYNTHS[SOUND_COUNT] = {engine_hum, shot, impact, hit, win, chime};
    Xoshiro256 g = SOUND_SEED;
    for (int k = 0; k < SOUND_COUNT; ++k) {
        float* out = bank.samples + sound_offset(k);
        SYNTHS[k](g, out);
        normalise(out, SOUND_LENGTHS[k], SOUND_PEAKS[k]);
    }
}

uint64_t sound_bank_hash(const SoundBank& bank) {
    constexpr uint32_t CHUNK = 8;  // samples per hashed block of 32 bytes
    uint64_t h = 0;
    uint8_t bytes[CHUNK * 4];
    for (uint32_t i = 0; i < SOUND_BANK_SAMPLES; i += CHUNK) {
        uint32_t n = 0;
        for (; n < CHUNK && i + n < SOUND_BANK_SAMPLES; ++n) {
            const uint32_t bits = std::bit_cast<uint32_t>(bank.samples[i + n]);
            for (int b = 0; b < 4; ++b) bytes[4 * n + b] = static_cast<uint8_t>(bits >> (8 * b));
        }
        h = hash_draw(h, bytes, 4 * n);
    }
    return h;
}
