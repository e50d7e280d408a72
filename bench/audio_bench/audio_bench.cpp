// The sound's costs: one mixing pass at full load (the audio thread's budget)
// and the start-up synthesis of the six sounds.
#include <benchmark/benchmark.h>

#include <memory>

#include "audio/mixer.h"

namespace {

// 24 voices of the longest sounds and all eight engines humming.
AudioState* busy_audio() {
    AudioState* a = new_audio_state();
    for (int i = 0; i < MAX_VOICES; ++i) {
        const uint8_t sound = i % 2 == 0 ? SOUND_CHIME : SOUND_WIN;
        play_cue(*a, 0.3f + 0.02f * static_cast<float>(i), -1.0f + 0.08f * static_cast<float>(i), sound);
    }
    for (int k = 0; k < ENGINE_COUNT; ++k) {
        set_engine(*a, k, 0.5f, -0.8f + 0.2f * static_cast<float>(k));
        a->engines[k].volume = 0.5f;
    }
    return a;
}

bool discard(void*, const float* frames, int) {
    benchmark::DoNotOptimize(frames[0]);
    return true;
}

void BM_MixPass512Frames24Voices8Engines(benchmark::State& state) {
    std::unique_ptr<AudioState, void (*)(AudioState*)> a(busy_audio(), delete_audio_state);
    for (auto _ : state) {
        // Keep every voice playing: rewind any near its end.
        for (int i = 0; i < a->voice_count; ++i) {
            Voice& v = a->voices[i];
            if (v.position + MIX_FRAMES >= static_cast<float>(v.count)) v.position = 0;
        }
        audio_callback(*a, MIX_FRAMES * FRAME_BYTES, discard, nullptr);
    }
    state.counters["voices"] = a->voice_count;
}
BENCHMARK(BM_MixPass512Frames24Voices8Engines)->Unit(benchmark::kMicrosecond);

void BM_SynthesizeAllSounds(benchmark::State& state) {
    auto bank = std::make_unique<SoundBank>();
    for (auto _ : state) {
        synthesize_sounds(*bank);
        benchmark::DoNotOptimize(bank->samples[0]);
    }
}
BENCHMARK(BM_SynthesizeAllSounds)->Unit(benchmark::kMillisecond);

}  // namespace
