// The mixer as a function of its state: no device, the tests call the
// audio side themselves.
#include "audio/mixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "audio/soft_tanh.h"

namespace {

constexpr double QUARTER_PI = 0.7853981633974483;

struct MixerTest : ::testing::Test {
    std::unique_ptr<AudioState, void (*)(AudioState*)> owned{new_audio_state(), delete_audio_state};
    AudioState& a = *owned;
    float out[2 * 2048] = {};

    // Replaces sound `k` by the given samples.
    void use_sound(int k, const std::vector<float>& samples) {
        a.sounds[k] = {samples.data(), static_cast<uint32_t>(samples.size())};
    }
    void mix(int frames) { mix_frames(a, out, frames); }
    // What the limiter makes of a mixed value at full master volume.
    static float limited(double x) { return ftanh(0.7f * static_cast<float>(x)); }
};

TEST_F(MixerTest, StartsSilentWithEnginesSpreadOverTheLoop) {
    EXPECT_EQ(a.voice_count, 0);
    EXPECT_EQ(a.cues.written.load(), 0u);
    EXPECT_EQ(a.master_volume.load(), 1.0f);
    EXPECT_EQ(a.step, 1.0f);
    for (int k = 0; k < ENGINE_COUNT; ++k) {
        EXPECT_EQ(a.engines[k].position, 6000.0f * k);
        EXPECT_EQ(a.engines[k].target_volume.load(), 0.0f);
    }
    mix(256);
    for (float v : out) ASSERT_EQ(v, 0.0f);
}

// 30 cues in one tick: the first 24 start; each later one takes the place of
// the quietest voice (the first of equals) only when it is louder.
TEST_F(MixerTest, CuesBeyondTheVoiceTableReplaceOnlyQuieterVoices) {
    for (int i = 0; i < 24; ++i) {
        const float volume = i == 5 || i == 9 ? 0.1f : 0.5f + 0.01f * static_cast<float>(i);
        play_cue(a, volume, 0.0f, SOUND_CHIME);
    }
    play_cue(a, 0.05f, 0.0f, SOUND_HIT);    // quieter than all: dropped
    play_cue(a, 0.3f, 0.0f, SOUND_SHOT);    // replaces voice 5, the first 0.1
    play_cue(a, 0.1f, 0.0f, SOUND_HIT);     // as quiet as voice 9, not louder: dropped
    play_cue(a, 0.2f, 0.0f, SOUND_IMPACT);  // replaces voice 9
    play_cue(a, 0.25f, 0.0f, SOUND_WIN);    // now the quietest is voice 9 (0.2): replaced
    play_cue(a, 0.9f, 0.0f, SOUND_HIT);     // the quietest is voice 9 (0.25) again
    mix(1);
    ASSERT_EQ(a.voice_count, 24);
    EXPECT_EQ(a.cues.read.load(), 30u);
    EXPECT_EQ(a.voices[5].volume, 0.3f);
    EXPECT_EQ(a.voices[5].samples, a.sounds[SOUND_SHOT].samples);
    EXPECT_EQ(a.voices[9].volume, 0.9f);
    EXPECT_EQ(a.voices[9].samples, a.sounds[SOUND_HIT].samples);
    for (int i = 0; i < 24; ++i) {
        if (i == 5 || i == 9) continue;
        EXPECT_EQ(a.voices[i].volume, 0.5f + 0.01f * static_cast<float>(i));
        EXPECT_EQ(a.voices[i].samples, a.sounds[SOUND_CHIME].samples);
        EXPECT_EQ(a.voices[i].position, 1.0f);
    }
}

TEST_F(MixerTest, QuietOrInvalidCuesAreNeverPostedAndAFullRingDrops) {
    play_cue(a, 0.0005f, 0.0f, SOUND_SHOT);  // far away
    play_cue(a, 0.001f, 0.0f, SOUND_SHOT);
    play_cue(a, std::nanf(""), 0.0f, SOUND_SHOT);
    play_cue(a, 0.5f, 0.0f, SOUND_COUNT);  // no such sound
    EXPECT_EQ(a.cues.written.load(), 0u);
    play_cue(a, 0.0011f, 0.0f, SOUND_SHOT);
    EXPECT_EQ(a.cues.written.load(), 1u);

    for (int i = 0; i < 70; ++i) play_cue(a, 0.5f, 0.0f, SOUND_HIT);
    EXPECT_EQ(a.cues.written.load(), 64u);  // 64 waiting: the rest dropped
    mix(1);
    EXPECT_EQ(a.cues.read.load(), 64u);
    play_cue(a, 0.5f, 0.25f, SOUND_WIN);
    EXPECT_EQ(a.cues.written.load(), 65u);
    EXPECT_EQ(a.cues.entries[64 % CUE_RING_SIZE].sound, SOUND_WIN);
    EXPECT_EQ(a.cues.entries[64 % CUE_RING_SIZE].pan, 0.25f);
}

// Equal power: φ = (clamp(pan) + 1) π/4, left cos φ, right sin φ.
TEST_F(MixerTest, PanGivesEqualPowerGains) {
    const std::vector<float> constant(100, 0.5f);
    use_sound(SOUND_HIT, constant);
    struct Case {
        float pan;
        double clamped;
    };
    for (Case c : {Case{-1, -1}, Case{-0.6f, -0.6f}, Case{0, 0}, Case{0.3f, 0.3f}, Case{1, 1}, Case{4, 1}, Case{-9, -1}}) {
        a.voice_count = 0;
        play_cue(a, 0.8f, c.pan, SOUND_HIT);
        mix(1);
        const double phi = (c.clamped + 1) * QUARTER_PI;
        EXPECT_NEAR(out[0], limited(0.8 * 0.5 * std::cos(phi)), 2e-7) << "pan " << c.pan;
        EXPECT_NEAR(out[1], limited(0.8 * 0.5 * std::sin(phi)), 2e-7) << "pan " << c.pan;
    }
    // The ends are exact: nothing leaks to the other side.
    a.voice_count = 0;
    play_cue(a, 1.0f, -1.0f, SOUND_HIT);
    mix(1);
    EXPECT_EQ(out[0], limited(0.5));
    EXPECT_EQ(out[1], 0.0f);
}

// Positions between samples interpolate; past the last sample the voice
// leans toward the first; a finished voice gives its slot to the last one,
// which is still mixed in the same pass.
TEST_F(MixerTest, VoicesInterpolateEndAndMoveTheLastIntoTheGap) {
    const std::vector<float> ramp = {0.0f, 0.1f, 0.2f, 0.3f};
    const std::vector<float> steady(1000, 0.25f);
    use_sound(SOUND_SHOT, ramp);
    use_sound(SOUND_HIT, steady);
    play_cue(a, 1.0f, -1.0f, SOUND_SHOT);
    play_cue(a, 1.0f, -1.0f, SOUND_HIT);
    mix(1);
    ASSERT_EQ(a.voice_count, 2);
    EXPECT_EQ(out[0], limited(0.0 + 0.25));

    a.voices[0].position = 2.5f;
    mix(3);
    EXPECT_NEAR(out[0], limited(0.25 + 0.25), 1e-7);           // between 0.2 and 0.3
    EXPECT_NEAR(out[2], limited(0.15 + 0.25), 1e-7);           // between 0.3 and the first, 0
    EXPECT_NEAR(out[4], limited(0.25), 1e-7);                  // the ramp has ended
    ASSERT_EQ(a.voice_count, 1);
    EXPECT_EQ(a.voices[0].samples, steady.data());
    EXPECT_EQ(a.voices[0].position, 4.0f);  // mixed in both passes

    a.voices[0].position = 998.0f;
    mix(4);
    EXPECT_NEAR(out[2], limited(0.25), 1e-7);
    EXPECT_EQ(out[4], 0.0f);
    EXPECT_EQ(a.voice_count, 0);
}

// A plane that stops thrusting: the engine glides toward 0 by 0.002 of the
// difference per frame and, once below 0.0001, is skipped altogether.
TEST_F(MixerTest, EngineFadesOutAndIsSkippedOnceSilent) {
    const std::vector<float> hum(48000, 0.4f);
    use_sound(SOUND_ENGINE, hum);
    EngineLoop& e = a.engines[3];
    e.volume = 0.5f;
    set_engine(a, 3, 0.0f, 0.5f);
    mix(100);
    const double phi = 1.5 * QUARTER_PI;
    float v = 0.5f;
    for (int f = 0; f < 100; ++f) {
        v += (0.0f - v) * 0.002f;
        ASSERT_NEAR(out[2 * f], limited(v * 0.4 * std::cos(phi)), 2e-7) << f;
        ASSERT_NEAR(out[2 * f + 1], limited(v * 0.4 * std::sin(phi)), 2e-7) << f;
    }
    EXPECT_EQ(e.volume, v);
    EXPECT_NEAR(e.volume, 0.5 * std::pow(0.998, 100), 1e-6);
    EXPECT_EQ(e.position, 3 * 6000.0f + 100);

    e.volume = 0.00011f;  // still above the threshold: mixed
    mix(10);
    EXPECT_EQ(e.position, 3 * 6000.0f + 110);
    EXPECT_GT(out[0], 0.0f);

    e.volume = 0.00009f;  // below: silenced and skipped
    mix(10);
    EXPECT_EQ(e.volume, 0.0f);
    EXPECT_EQ(e.position, 3 * 6000.0f + 110);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(out[i], 0.0f);

    e.volume = 0.00009f;  // a nonzero target keeps it running
    set_engine(a, 3, 0.5f, 0.5f);
    mix(1);
    EXPECT_FLOAT_EQ(e.volume, 0.00009f + (0.5f - 0.00009f) * 0.002f);
}

TEST_F(MixerTest, EngineLoopsAroundItsSound) {
    std::vector<float> hum(48000, 0.0f);
    hum[47999] = 0.4f;
    hum[0] = 0.2f;
    use_sound(SOUND_ENGINE, hum);
    EngineLoop& e = a.engines[0];
    e.volume = 1.0f;
    e.position = 47999.5f;
    set_engine(a, 0, 1.0f, -1.0f);
    mix(2);
    EXPECT_NEAR(out[0], limited(0.3), 1e-7);  // halfway between the last and the first
    EXPECT_NEAR(out[2], limited(0.1), 1e-7);  // halfway between the first and the second
    EXPECT_EQ(e.position, 1.5f);
}

// A target that is not finite would turn the gliding volume, and with it every
// later sample, into NaN: the engine keeps heading for its last finite target.
TEST_F(MixerTest, EngineIgnoresTargetsThatAreNotFinite) {
    const std::vector<float> hum(48000, 0.5f);  // outlives the mixing below
    use_sound(SOUND_ENGINE, hum);
    EngineLoop& e = a.engines[2];
    set_engine(a, 2, 0.4f, 0.25f);
    for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
        set_engine(a, 2, bad, bad);
        EXPECT_EQ(e.target_volume.load(), 0.4f);
        EXPECT_EQ(e.target_pan.load(), 0.25f);
    }
    set_engine(a, 2, std::nanf(""), -0.5f);  // a finite pan still moves
    EXPECT_EQ(e.target_pan.load(), -0.5f);
    mix(512);
    for (float v : out) ASSERT_TRUE(std::isfinite(v));
    EXPECT_GT(e.volume, 0.0f);
}

TEST_F(MixerTest, MasterVolumeZeroSilencesWhileVoicesGoOn) {
    play_cue(a, 1.0f, 0.0f, SOUND_IMPACT);
    set_master_volume(a, 0.0f);
    mix(300);
    for (int i = 0; i < 600; ++i) ASSERT_EQ(out[i], 0.0f);
    EXPECT_EQ(a.voices[0].position, 300.0f);
    set_master_volume(a, 0.5f);
    mix(1);
    const float s = sound_view(a.bank, SOUND_IMPACT).samples[300];
    EXPECT_NEAR(out[0], 0.5f * limited(s * std::cos(QUARTER_PI)), 1e-7);
}

struct Recorded {
    std::vector<int> blocks;
    int stop_after = 1 << 30;
};

bool record(void* context, const float*, int bytes) {
    Recorded& r = *static_cast<Recorded*>(context);
    r.blocks.push_back(bytes);
    return static_cast<int>(r.blocks.size()) < r.stop_after;
}

// A request is answered in passes of at most 512 frames; the last pass is
// rounded up to whole frames.
TEST_F(MixerTest, CallbackAnswersInWholeFramesAndPassesOfAtMost512) {
    struct Case {
        int requested;
        std::vector<int> blocks;
    };
    const Case cases[] = {
        {8, {8}},
        {12, {16}},  // an odd request: rounded up to two frames
        {1, {8}},
        {0, {}},
        {-8, {}},
        {4096, {4096}},
        {8 * 600 + 4, {4096, 712}},
        {3 * 4096, {4096, 4096, 4096}},
    };
    for (const Case& c : cases) {
        Recorded r;
        audio_callback(a, c.requested, record, &r);
        EXPECT_EQ(r.blocks, c.blocks) << c.requested << " bytes";
    }
    Recorded refused;
    refused.stop_after = 1;  // the stream refused the first block
    audio_callback(a, 3 * 4096, record, &refused);
    EXPECT_EQ(refused.blocks.size(), 1u);
}

}  // namespace
