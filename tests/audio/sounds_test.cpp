// The six sounds against their formulas, evaluated here independently in
// double precision from the same generator draws.
#include "audio/sounds.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace {

constexpr double TAU = 6.283185307179586;

const SoundBank& bank() {
    static const std::unique_ptr<SoundBank> b = [] {
        auto made = std::make_unique<SoundBank>();
        synthesize_sounds(*made);
        return made;
    }();
    return *b;
}

// The draws n = 2u - 1 of every sound, in the order the sounds take them.
std::vector<std::vector<double>> draws() {
    const uint32_t counts[SOUND_COUNT] = {52800, 5760, 16800, 5760, 67200, 120000};
    Xoshiro256 g = SOUND_SEED;
    std::vector<std::vector<double>> n(SOUND_COUNT);
    for (int k = 0; k < SOUND_COUNT; ++k) {
        for (uint32_t i = 0; i < counts[k]; ++i) n[k].push_back(2.0 * next_float(g) - 1.0);
    }
    return n;
}

double t_of(size_t i) { return static_cast<double>(i) / 48000.0; }

std::vector<double> engine_formula(const std::vector<double>& n) {
    std::vector<double> c(52800), s(48000);
    double b = 0, lp = 0;
    for (size_t i = 0; i < c.size(); ++i) {
        b = 0.995 * b + 0.08 * n[i];
        lp += 0.08 * (b - lp);
        c[i] = lp;
    }
    for (size_t i = 0; i < s.size(); ++i) {
        const double m = i >= 4800 ? c[i] : c[i] * (i / 4800.0) + c[i + 48000] * (1 - i / 4800.0);
        s[i] = (0.85 + 0.15 * std::sin(TAU * 23 * t_of(i))) * m;
    }
    return s;
}

std::vector<double> shot_formula(const std::vector<double>& n) {
    std::vector<double> s(5760);
    double l = 0, phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = t_of(i);
        l += 0.15 * (n[i] - l);
        phase += (70 + 180 * std::exp(-25 * t)) / 48000;
        s[i] = std::tanh(1.5 * (0.9 * std::exp(-60 * t) * (n[i] - l) + std::exp(-28 * t) * std::sin(TAU * phase)));
    }
    return s;
}

std::vector<double> impact_formula(const std::vector<double>& n) {
    std::vector<double> s(16800);
    double l = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = t_of(i);
        l += 0.2 * (n[i] - l);
        s[i] = 0.6 * std::sin(TAU * 310 * t) * std::exp(-12 * t) + 0.45 * std::sin(TAU * 745 * t) * std::exp(-18 * t) +
               0.3 * std::sin(TAU * 1270 * t) * std::exp(-25 * t) + 0.2 * std::sin(TAU * 2030 * t) * std::exp(-35 * t) +
               0.6 * std::sin(TAU * 80 * t) * std::exp(-20 * t) + 0.8 * std::exp(-50 * t) * (n[i] - l);
    }
    return s;
}

std::vector<double> hit_formula(const std::vector<double>& n) {
    std::vector<double> s(5760);
    double l = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = t_of(i);
        l += 0.2 * (n[i] - l);
        s[i] = 0.3 * std::sin(TAU * 2400 * t) * std::exp(-30 * t) + std::exp(-45 * t) * (n[i] - l);
    }
    return s;
}

std::vector<double> win_formula(const std::vector<double>& n) {
    std::vector<double> s(67200);
    double b = 0, c = 0, phase = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = t_of(i);
        b = 0.99 * b + 0.15 * n[i];
        c += 0.15 * (b - c);
        phase += (30 + 55 * std::exp(-2 * t)) / 48000;
        const double x = 2 * std::min(t / 0.005, 1.0) * (std::exp(-3.2 * t) * c + 0.6 * std::exp(-5 * t) * std::sin(TAU * phase));
        s[i] = std::tanh(x);
    }
    return s;
}

std::vector<double> chime_formula(const std::vector<double>& n) {
    std::vector<double> s(120000);
    double l = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = t_of(i);
        l += 0.05 * (n[i] - l);
        const double swell = std::sin(TAU / 2 * t / 2.5);
        s[i] = (0.8 * l + (std::sin(TAU * 220 * t) + 0.6 * std::sin(TAU * 330 * t)) * (0.9 + 0.1 * std::sin(TAU * 3 * t))) *
               swell * swell;
    }
    return s;
}

TEST(Sounds, LengthsAndPeaksAreTheTables) {
    uint32_t total = 0;
    for (int k = 0; k < SOUND_COUNT; ++k) {
        const SoundView s = sound_view(bank(), k);
        EXPECT_EQ(s.samples, bank().samples + total);
        total += s.count;
        float largest = 0;
        for (uint32_t i = 0; i < s.count; ++i) largest = std::max(largest, std::fabs(s.samples[i]));
        EXPECT_EQ(largest, SOUND_PEAKS[k]) << "sound " << k;
    }
    EXPECT_EQ(total, SOUND_BANK_SAMPLES);
    EXPECT_EQ(sound_view(bank(), SOUND_SHOT).count, 5760u);
    EXPECT_EQ(sound_view(bank(), SOUND_CHIME).count, 120000u);
}

// Every sample of every sound, against the formula scaled to the sound's peak.
TEST(Sounds, EverySampleFollowsItsFormula) {
    using Formula = std::function<std::vector<double>(const std::vector<double>&)>;
    const Formula formulas[SOUND_COUNT] = {engine_formula, shot_formula, impact_formula,
                                           hit_formula,    win_formula,  chime_formula};
    const auto n = draws();
    for (int k = 0; k < SOUND_COUNT; ++k) {
        const std::vector<double> raw = formulas[k](n[k]);
        double largest = 0;
        for (double v : raw) largest = std::max(largest, std::fabs(v));
        const double scale = SOUND_PEAKS[k] / largest;
        const SoundView s = sound_view(bank(), k);
        ASSERT_EQ(s.count, raw.size());
        double worst = 0;
        size_t worst_at = 0;
        for (size_t i = 0; i < raw.size(); ++i) {
            const double off = std::fabs(s.samples[i] - raw[i] * scale);
            if (off > worst) {
                worst = off;
                worst_at = i;
            }
        }
        EXPECT_LT(worst, 1e-4) << "sound " << k << " sample " << worst_at;
    }
}

TEST(Sounds, SilentWhereTheFormulaIsExactlyZero) {
    EXPECT_EQ(sound_view(bank(), SOUND_WIN).samples[0], 0.0f);    // no attack yet
    EXPECT_EQ(sound_view(bank(), SOUND_CHIME).samples[0], 0.0f);  // sin²(0)
}

// The cross-fade makes the jump from the loop's last sample to its first no
// larger than any step inside the loop.
TEST(Sounds, EngineLoopHasNoClickAtItsSeam) {
    const SoundView s = sound_view(bank(), SOUND_ENGINE);
    float largest_step = 0;
    for (uint32_t i = 0; i + 1 < s.count; ++i) {
        largest_step = std::max(largest_step, std::fabs(s.samples[i + 1] - s.samples[i]));
    }
    EXPECT_LE(std::fabs(s.samples[0] - s.samples[s.count - 1]), largest_step);
    EXPECT_GT(largest_step, 0.0f);
}

// Pins every bit of every sample: a change here changes how the game sounds.
TEST(Sounds, GoldenHash) {
    EXPECT_EQ(sound_bank_hash(bank()), 0x0c607351fadaa177ull);
    // The synthesis starts from its fixed seed every time.
    auto again = std::make_unique<SoundBank>();
    synthesize_sounds(*again);
    EXPECT_EQ(sound_bank_hash(*again), sound_bank_hash(bank()));
}

}  // namespace
