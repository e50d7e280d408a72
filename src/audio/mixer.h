#pragma once
// The sound engine: the six synthesised sounds, up to 24 one-shot voices, one
// engine loop per player slot, the cue ring from the game thread, and the
// mixer that turns them into stereo frames. It knows nothing of the game and
// nothing of the platform: the device (audio_device.h) calls audio_callback
// on its audio thread, and tests call it directly.
#include <atomic>
#include <cstdint>

#include "audio/cue_ring.h"
#include "audio/sounds.h"

struct SDL_AudioStream;

constexpr int MAX_VOICES = 24;
constexpr int ENGINE_COUNT = 8;  // one per player slot
constexpr int MIX_FRAMES = 512;  // the most frames one mixing pass makes
constexpr int AUDIO_CHANNELS = 2;
constexpr int FRAME_BYTES = AUDIO_CHANNELS * static_cast<int>(sizeof(float));
constexpr float MIN_CUE_VOLUME = 0.001f;       // cues at or below this are not posted
constexpr float ENGINE_SMOOTHING = 0.002f;     // per frame, toward the target volume
constexpr float ENGINE_SILENT = 0.0001f;       // below this a silenced engine is skipped
constexpr float ENGINE_PHASE_SPACING = 6000.0f;  // engine k starts k x this far into the loop

// A one-shot sound being played.
struct Voice {
    const float* samples;
    uint32_t count;
    float position;  // in samples
    float volume;
    float pan;  // -1 left .. 1 right
};

// An endless engine hum. Only the targets are written by the game thread.
struct EngineLoop {
    float position = 0;
    float volume = 0;
    float pan = 0;
    std::atomic<float> target_volume{0};
    std::atomic<float> target_pan{0};
};

// Shared by the game thread and the audio callback; one allocation that
// lives from start-up to shutdown.
struct AudioState {
    SoundBank bank;
    SoundView sounds[SOUND_COUNT] = {};
    Voice voices[MAX_VOICES] = {};
    int voice_count = 0;
    EngineLoop engines[ENGINE_COUNT];
    CueRing cues;
    std::atomic<float> master_volume{1.0f};
    float step = 1.0f;  // play-position advance per output frame
    SDL_AudioStream* stream = nullptr;
    float mix[MIX_FRAMES * AUDIO_CHANNELS] = {};
};

// Allocates the state and synthesises the sounds: engines spread over the
// loop, master volume 1, nothing playing. Null when memory is short. Opens
// no device.
AudioState* new_audio_state();
// Frees the state (not the stream). Accepts null.
void delete_audio_state(AudioState* audio);

// Game thread: asks for sound `sound` at `volume` and `pan`. Dropped when the
// volume is at most 0.001, the index names no sound, or 64 cues wait.
void play_cue(AudioState& audio, float volume, float pan, uint8_t sound);
// Game thread: where engine `engine` (0..7) heads; the mixer glides there.
// A target that is not finite is ignored (the engine keeps its previous one).
void set_engine(AudioState& audio, int engine, float volume, float pan);
// Game thread: the volume setting, 0..1; the mixer reads it on its next pass.
inline void set_master_volume(AudioState& audio, float volume) {
    audio.master_volume.store(volume, std::memory_order_relaxed);
}

// Audio thread: takes the waiting cues, then mixes `frames` stereo frames
// (interleaved left, right) into `out`, soft-limited and scaled by the
// master volume. Allocates nothing.
void mix_frames(AudioState& audio, float* out, int frames);

// Receives each finished block of interleaved frames; false stops the request.
using AudioSink = bool (*)(void* context, const float* frames, int bytes);

// Audio thread: answers a request for `requested_bytes` bytes in passes of
// at most 512 frames, rounding the last pass up to whole frames, each mixed
// into the state's mix buffer and handed to `sink`.
void audio_callback(AudioState& audio, int requested_bytes, AudioSink sink, void* context);
