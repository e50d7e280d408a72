#pragma once
// The sound output: the mixer (mixer.h) behind one stereo float stream on the
// default playback device, pulled by the platform's audio thread.
#include "audio/mixer.h"

constexpr int AUDIO_RATE = SOUND_RATE;

// Starts the audio subsystem, synthesises the sounds and opens and resumes
// the default playback device. Logs the outcome once: an info line naming
// the audio driver, or warnings ending in "playing without sound: " + the
// reason. Returns null when the game has to play without sound.
AudioState* create_audio();

// Closes the stream (waiting for a running callback) and frees the sounds
// and the state. Accepts null.
void destroy_audio(AudioState* audio);
