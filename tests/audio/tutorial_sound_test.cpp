// The whole program with sound on (SDL's dummy audio driver and offscreen
// video): the tutorial's first two lessons are flown with held keys, the
// engine hums, the shots are posted as cues and mixed on the audio thread,
// and leaving silences the engines before a clean exit.
#include <gtest/gtest.h>

#include <SDL3/SDL_events.h>
#include <SDL3/SDL_hints.h>
#include <SDL3/SDL_keyboard.h>
#include <SDL3/SDL_timer.h>

#include <string>

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/session_glue.h"
#include "audio/mixer.h"
#include "server/tutorial.h"

namespace {

constexpr int FRAME_LIMIT = 6000;  // a failing run ends instead of hanging

// Stands in for a player's fingers: the keyboard state the controls are
// sampled from.
void hold(SDL_Scancode key, bool down) { const_cast<bool*>(SDL_GetKeyboardState(nullptr))[key] = down; }

enum class Stage { Start, Flying, Shooting, Mixing, Done };

struct SoundProbe {
    int frames = 0;
    Stage stage = Stage::Start;
    bool audio_created = false;
    bool engine_heard = false;
    uint64_t cues_posted = 0;
    bool cues_mixed = false;
    bool engines_silenced = false;
};

uint8_t lesson(const App& app) { return app.session.link.session ? tutorial_step(*app.session.link.session) : 0; }

void quit() {
    SDL_Event event = {};
    event.type = SDL_EVENT_QUIT;
    SDL_PushEvent(&event);
}

void sound_frame(App& app, void* user) {
    SoundProbe& p = *static_cast<SoundProbe*>(user);
    SDL_Delay(4);  // real time for the fixed ticks
    if (++p.frames > FRAME_LIMIT && p.stage != Stage::Done) p.stage = Stage::Done, quit();
    switch (p.stage) {
    case Stage::Start:
        p.audio_created = app.audio != nullptr;
        if (!p.audio_created) return quit();
        start_tutorial(app);
        p.stage = Stage::Flying;
        break;
    case Stage::Flying:  // turn both ways and thrust
        hold(SDL_SCANCODE_LEFT, true);
        hold(SDL_SCANCODE_RIGHT, true);
        hold(SDL_SCANCODE_UP, true);
        if (app.audio->engines[app.session.client.own_slot].target_volume.load() > 0.4f) p.engine_heard = true;
        if (p.engine_heard && lesson(app) >= TUTORIAL_SHOOTING) {
            hold(SDL_SCANCODE_LEFT, false);
            hold(SDL_SCANCODE_RIGHT, false);
            hold(SDL_SCANCODE_UP, false);
            p.stage = Stage::Shooting;
        }
        break;
    case Stage::Shooting:
        hold(SDL_SCANCODE_SPACE, true);
        if (lesson(app) > TUTORIAL_SHOOTING) {
            hold(SDL_SCANCODE_SPACE, false);
            p.cues_posted = app.audio->cues.written.load();
            p.stage = Stage::Mixing;
        }
        break;
    case Stage::Mixing:  // wait for the audio thread to take them
        if (app.audio->cues.read.load() < p.cues_posted) break;
        p.cues_mixed = true;
        leave_session(app);
        p.engines_silenced = true;
        for (const EngineLoop& e : app.audio->engines) p.engines_silenced &= e.target_volume.load() == 0.0f;
        p.stage = Stage::Done;
        quit();
        break;
    case Stage::Done: break;
    }
}

TEST(TutorialSound, FirstLessonsWithSoundThenACleanExit) {
    SDL_SetHintWithPriority(SDL_HINT_AUDIO_DRIVER, "dummy", SDL_HINT_OVERRIDE);
    SoundProbe probe;
    testing::internal::CaptureStderr();
    const int status = run_app(FrameHook{sound_frame, &probe});
    const std::string log = testing::internal::GetCapturedStderr();
    SDL_ResetHint(SDL_HINT_AUDIO_DRIVER);

    ASSERT_EQ(status, 0) << log;
    EXPECT_NE(log.find("info: playing sound through dummy\n"), std::string::npos) << log;
    ASSERT_TRUE(probe.audio_created) << log;
    EXPECT_LT(probe.frames, FRAME_LIMIT) << "stuck before the end of the second lesson";
    EXPECT_TRUE(probe.engine_heard);
    EXPECT_GE(probe.cues_posted, 5u) << "at least the five shots of the lesson";
    EXPECT_TRUE(probe.cues_mixed);
    EXPECT_TRUE(probe.engines_silenced);
}

}  // namespace
