// The game thread posts sounds while the audio thread mixes: the cue ring and
// the engine and volume parameters are shared without locks. Each test runs
// one producer and one consumer concurrently for a second; under a
// ThreadSanitizer build (SKORVIA_TSAN) it also proves the sharing race-free.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "audio/mixer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto RUN_TIME = std::chrono::seconds(1);

// Every cue carries its number in its pan: the consumer must see exactly the
// cues that were accepted, each once and in order; the rejected ones were
// rejected because 64 were waiting at that moment.
TEST(CueRingThreads, EveryAcceptedCueArrivesOnceInOrder) {
    auto ring = std::make_unique<CueRing>();
    std::atomic<bool> done{false};
    std::vector<float> accepted, received;
    accepted.reserve(1 << 22);
    received.reserve(1 << 22);

    std::thread consumer([&] {
        for (;;) {
            const bool last = done.load(std::memory_order_acquire);
            take_cues(*ring, [&](const Cue& c) { received.push_back(c.pan); });
            if (last) return;
        }
    });
    uint64_t rejected = 0;
    const auto end = Clock::now() + RUN_TIME;
    for (uint32_t n = 0; Clock::now() < end && accepted.size() < (1u << 22); ++n) {
        const float number = static_cast<float>(n % (1u << 24));
        if (post_cue(*ring, Cue{1.0f, number, static_cast<uint8_t>(n % SOUND_COUNT)})) {
            accepted.push_back(number);
        } else {
            ++rejected;
            std::this_thread::yield();  // a full ring: let the audio side catch up
        }
    }
    done.store(true, std::memory_order_release);
    consumer.join();

    EXPECT_GT(accepted.size(), 1000u);
    ASSERT_EQ(received.size(), accepted.size()) << rejected << " rejected";
    EXPECT_EQ(received, accepted);
    EXPECT_EQ(ring->read.load(), ring->written.load());
    std::printf("%zu cues passed, %llu dropped on a full ring\n", accepted.size(),
                static_cast<unsigned long long>(rejected));
}

bool finite_block(void* context, const float* frames, int bytes) {
    for (int i = 0; i < bytes / 4; ++i) {
        if (!std::isfinite(frames[i])) static_cast<std::atomic<bool>*>(context)->store(false);
    }
    return true;
}

// The real mixer on the audio side, every game-thread call on the other.
TEST(CueRingThreads, MixerRunsWhileTheGameThreadPostsAndSteers) {
    std::unique_ptr<AudioState, void (*)(AudioState*)> audio(new_audio_state(), delete_audio_state);
    ASSERT_NE(audio, nullptr);
    std::atomic<bool> done{false}, finite{true};
    std::atomic<uint64_t> passes{0};

    std::thread mixer([&] {
        while (!done.load(std::memory_order_acquire)) {
            audio_callback(*audio, 333 * FRAME_BYTES, finite_block, &finite);
            passes.fetch_add(1, std::memory_order_relaxed);
        }
    });
    uint64_t posted = 0;
    const auto end = Clock::now() + RUN_TIME;
    for (uint32_t n = 0; Clock::now() < end; ++n) {
        const float x = static_cast<float>(n % 97) / 96.0f;
        play_cue(*audio, 0.01f + x, 2 * x - 1, static_cast<uint8_t>(n % SOUND_COUNT));
        ++posted;
        set_engine(*audio, static_cast<int>(n % ENGINE_COUNT), 0.5f * x, 1 - 2 * x);
        if (n % 1000 == 0) set_master_volume(*audio, x);
        if (n % 64 == 0) std::this_thread::yield();
    }
    // Wait for a few passes that saw the game thread's work, then stop.
    const uint64_t seen = passes.load();
    while (passes.load() < seen + 3) std::this_thread::yield();
    done.store(true, std::memory_order_release);
    mixer.join();

    audio_callback(*audio, FRAME_BYTES, finite_block, &finite);  // takes what is left
    EXPECT_EQ(audio->cues.read.load(), audio->cues.written.load());
    EXPECT_GT(audio->cues.written.load(), 0u);
    EXPECT_LE(audio->cues.written.load(), posted);
    EXPECT_TRUE(finite.load());
    EXPECT_LE(audio->voice_count, MAX_VOICES);
}

}  // namespace
