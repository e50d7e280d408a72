#pragma once
// The sound output: one stereo float stream on the default playback device,
// pulled by the platform's audio thread through a callback.
#include <atomic>

struct SDL_AudioStream;

constexpr int AUDIO_RATE = 48000;
constexpr int AUDIO_CHANNELS = 2;

// Shared between the game thread and the audio callback. The sound bank, the
// voices, the engines and the cue ring join it with the sound synthesis.
struct AudioState {
    SDL_AudioStream* stream = nullptr;
    std::atomic<float> master_volume{1.0f};
};

// Starts the audio subsystem, prepares the state and opens and resumes the
// default playback device. Logs the outcome once: an info line naming the
// audio driver, or warnings ending in "playing without sound: " + the reason.
// Returns null when the game has to play without sound.
AudioState* start_audio();

// Closes the stream and frees the state. Accepts null.
void stop_audio(AudioState* audio);

// The volume setting, 0..1; the mixer reads it on its next pass.
inline void set_master_volume(AudioState& audio, float volume) {
    audio.master_volume.store(volume, std::memory_order_relaxed);
}
