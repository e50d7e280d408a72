#include "audio/audio_device.h"

#include <new>

#include <SDL3/SDL_audio.h>
#include <SDL3/SDL_error.h>
#include <SDL3/SDL_init.h>

#include "base/log.h"

namespace {

constexpr int FRAME_BYTES = AUDIO_CHANNELS * static_cast<int>(sizeof(float));
constexpr int SILENCE_FRAMES = 512;
constexpr float SILENCE[SILENCE_FRAMES * AUDIO_CHANNELS] = {};

// Runs on the audio thread. Until the mixer exists the stream gets silence.
void SDLCALL audio_callback(void*, SDL_AudioStream* stream, int additional_amount, int) {
    int remaining = additional_amount;
    while (remaining > 0) {
        int bytes = remaining < SILENCE_FRAMES * FRAME_BYTES ? remaining : SILENCE_FRAMES * FRAME_BYTES;
        bytes = (bytes + FRAME_BYTES - 1) / FRAME_BYTES * FRAME_BYTES;  // whole frames only
        if (!SDL_PutAudioStreamData(stream, SILENCE, bytes)) return;
        remaining -= bytes;
    }
}

void without_sound(const char* reason) {
    LogText message;
    message << "playing without sound: " << reason;
    log_line(LogLevel::Warning, message);
}

}  // namespace

AudioState* start_audio() {
    if (!SDL_InitSubSystem(SDL_INIT_AUDIO)) {
        without_sound(SDL_GetError());
        return nullptr;
    }
    AudioState* audio = new (std::nothrow) AudioState;
    if (!audio) {
        without_sound("OutOfMemory");
        return nullptr;
    }
    SDL_AudioSpec spec = {SDL_AUDIO_F32LE, AUDIO_CHANNELS, AUDIO_RATE};
    audio->stream = SDL_OpenAudioDeviceStream(SDL_AUDIO_DEVICE_DEFAULT_PLAYBACK, &spec, audio_callback, audio);
    if (!audio->stream) {
        LogText message;
        message << "can't open the audio device: " << SDL_GetError();
        log_line(LogLevel::Warning, message);
        without_sound("NoAudioDevice");
        delete audio;
        return nullptr;
    }
    if (!SDL_ResumeAudioStreamDevice(audio->stream)) {
        SDL_DestroyAudioStream(audio->stream);
        without_sound("NoAudioDevice");
        delete audio;
        return nullptr;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    LogText message;
    message << "playing sound through " << (driver ? driver : "?");
    log_line(LogLevel::Info, message);
    return audio;
}

void stop_audio(AudioState* audio) {
    if (!audio) return;
    // Destroying the stream also waits for a running callback to finish.
    if (audio->stream) SDL_DestroyAudioStream(audio->stream);
    delete audio;
}
