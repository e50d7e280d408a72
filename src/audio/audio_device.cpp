#include "audio/audio_device.h"

#include <SDL3/SDL_audio.h>
#include <SDL3/SDL_error.h>
#include <SDL3/SDL_init.h>

#include "base/log.h"

namespace {

bool put_into_stream(void* stream, const float* frames, int bytes) {
    return SDL_PutAudioStreamData(static_cast<SDL_AudioStream*>(stream), frames, bytes);
}

// Runs on the audio thread whenever the stream wants more.
void SDLCALL pull_audio(void* user, SDL_AudioStream* stream, int additional_amount, int) {
    audio_callback(*static_cast<AudioState*>(user), additional_amount, put_into_stream, stream);
}

void without_sound(const char* reason) {
    LogText message;
    message << "playing without sound: " << reason;
    log_line(LogLevel::Warning, message);
}

}  // namespace

AudioState* create_audio() {
    if (!SDL_InitSubSystem(SDL_INIT_AUDIO)) {
        without_sound(SDL_GetError());
        return nullptr;
    }
    AudioState* audio = new_audio_state();
    if (!audio) {
        without_sound("OutOfMemory");
        return nullptr;
    }
    SDL_AudioSpec spec = {SDL_AUDIO_F32LE, AUDIO_CHANNELS, AUDIO_RATE};
    audio->stream = SDL_OpenAudioDeviceStream(SDL_AUDIO_DEVICE_DEFAULT_PLAYBACK, &spec, pull_audio, audio);
    if (!audio->stream) {
        LogText message;
        message << "can't open the audio device: " << SDL_GetError();
        log_line(LogLevel::Warning, message);
        without_sound("NoAudioDevice");
        delete_audio_state(audio);
        return nullptr;
    }
    if (!SDL_ResumeAudioStreamDevice(audio->stream)) {
        SDL_DestroyAudioStream(audio->stream);
        without_sound("NoAudioDevice");
        delete_audio_state(audio);
        return nullptr;
    }
    const char* driver = SDL_GetCurrentAudioDriver();
    LogText message;
    message << "playing sound through " << (driver ? driver : "?");
    log_line(LogLevel::Info, message);
    return audio;
}

void destroy_audio(AudioState* audio) {
    if (!audio) return;
    // Destroying the stream also waits for a running callback to finish.
    if (audio->stream) SDL_DestroyAudioStream(audio->stream);
    delete_audio_state(audio);
}
