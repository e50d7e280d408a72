#pragma once
// The one thing the game thread hands to the audio thread: a single-producer,
// single-consumer ring of sound requests. The counts only grow; an entry
// lives at count mod 64. The producer writes an entry before publishing the
// write count (release), and the consumer publishes its read count only after
// reading the entries (release), so each side sees the other's work complete
// through its acquire load.
#include <atomic>
#include <cstdint>

constexpr uint64_t CUE_RING_SIZE = 64;

struct Cue {
    float volume;
    float pan;
    uint8_t sound;
};

struct CueRing {
    Cue entries[CUE_RING_SIZE] = {};
    std::atomic<uint64_t> written{0};  // advanced by the game thread only
    std::atomic<uint64_t> read{0};     // advanced by the audio thread only
};

// Game thread: false (the cue dropped) when 64 cues are waiting.
inline bool post_cue(CueRing& ring, const Cue& cue) {
    const uint64_t w = ring.written.load(std::memory_order_relaxed);
    if (w - ring.read.load(std::memory_order_acquire) >= CUE_RING_SIZE) return false;
    ring.entries[w % CUE_RING_SIZE] = cue;
    ring.written.store(w + 1, std::memory_order_release);
    return true;
}

// Audio thread: hands every cue waiting now to `take`, oldest first.
template <class Take>
void take_cues(CueRing& ring, Take&& take) {
    const uint64_t w = ring.written.load(std::memory_order_acquire);
    uint64_t r = ring.read.load(std::memory_order_relaxed);
    for (; r != w; ++r) take(ring.entries[r % CUE_RING_SIZE]);
    ring.read.store(r, std::memory_order_release);
}
