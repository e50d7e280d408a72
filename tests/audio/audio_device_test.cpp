#include "audio/audio_device.h"

#include <gtest/gtest.h>

#include <SDL3/SDL_hints.h>
#include <SDL3/SDL_init.h>
#include <SDL3/SDL_timer.h>

#include <string>

namespace {

TEST(AudioDevice, OpensTheDefaultDeviceAndNamesTheDriver) {
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DRIVER, "dummy", SDL_HINT_OVERRIDE);
    testing::internal::CaptureStderr();
    AudioState* audio = create_audio();
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_NE(audio, nullptr) << log;
    EXPECT_EQ(log, "info: playing sound through dummy\n");
    EXPECT_NE(audio->stream, nullptr);
    // The device pulls through the mixer: a posted cue is taken.
    play_cue(*audio, 0.5f, 0.0f, SOUND_SHOT);
    for (int waited = 0; audio->cues.read.load() == 0 && waited < 5000; waited += 5) SDL_Delay(5);
    EXPECT_EQ(audio->cues.read.load(), 1u);
    destroy_audio(audio);
    SDL_Quit();
}

TEST(AudioDevice, RefusedAudioSubsystemMeansPlayingWithoutSound) {
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DRIVER, "nonexistent", SDL_HINT_OVERRIDE);
    testing::internal::CaptureStderr();
    AudioState* audio = create_audio();
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(audio, nullptr);
    EXPECT_EQ(log.rfind("warning: playing without sound: ", 0), 0u) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line: " << log;
    destroy_audio(audio);
    SDL_Quit();
    SDL_ResetHint(SDL_HINT_AUDIO_DRIVER);
}

}  // namespace
