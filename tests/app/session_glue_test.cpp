// The App's side of a session: keys to controls, and the tutorial started,
// played and left through the whole program (SDL's offscreen driver); the
// menu it returns to shows none of the game's effects.
#include "app/session_glue.h"

#include <gtest/gtest.h>

#include <SDL3/SDL_events.h>
#include <SDL3/SDL_timer.h>

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/input.h"

namespace {

TEST(Controls, FromTheKeyboardState) {
    bool keys[512] = {};
    EXPECT_FALSE(controls_from_keyboard(keys, 512).thrust);
    keys[80] = keys[82] = keys[44] = true;  // left, up, space
    Controls c = controls_from_keyboard(keys, 512);
    EXPECT_TRUE(c.turn_left && c.thrust && c.fire);
    EXPECT_FALSE(c.turn_right || c.hook_key);
    keys[229] = true;  // right shift
    EXPECT_TRUE(controls_from_keyboard(keys, 512).hook_key);
    keys[225] = true;  // both shifts: still one hook key
    EXPECT_TRUE(controls_from_keyboard(keys, 512).hook_key);
    EXPECT_FALSE(controls_from_keyboard(keys, 100).hook_key);  // a short state array
    EXPECT_FALSE(controls_from_keyboard(nullptr, 0).fire);
}

struct TutorialProbe {
    int frames = 0;
    bool started_playing = false;
    bool joined = false;
    bool camera_on_plane = false;
    bool left_to_menu = false;
    uint64_t menu_selection = 0;
    bool session_after_leave = true;
    uint32_t smoke_before_leave = 0, fire_before_leave = 0;
    bool rope_before_leave = false;
    uint32_t effect_capsules_on_menu = 1;
};

// The game's effects as a thrusting plane with its hook out leaves them.
void make_effects(App& app) {
    World w = app.session.client.world;
    Plane& p = w.planes[app.session.client.own_slot];
    p.thrust = true;
    p.hook_out = true;
    p.hook_state = HOOK_FLYING;
    p.hook_pos = p.pos + Vec2{120, 40};
    for (int i = 0; i < 8; ++i) advance_effects(app.effects, w, nullptr);
}

void tutorial_frame(App& app, void* user) {
    TutorialProbe& p = *static_cast<TutorialProbe*>(user);
    ++p.frames;
    SDL_Delay(20);  // real time for the fixed ticks
    if (p.frames == 1) {
        start_tutorial(app);
        p.started_playing = app.screen == Screen::Playing && app.session.active && app.session.tutorial;
    }
    if (p.frames == 30) {
        const ClientSession& c = app.session.client;
        p.joined = c.state == ConnectionState::Joined && c.world.planes[c.own_slot].in_use;
        const Vec2 shown = displayed_position(c, static_cast<int>(c.own_slot));
        p.camera_on_plane = app.camera_centre == shown;
        make_effects(app);
        p.smoke_before_leave = app.effects.smoke_count;
        p.fire_before_leave = app.effects.fire_count;
        p.rope_before_leave = app.effects.ropes[c.own_slot].active;
        leave_session(app);
        p.left_to_menu = app.screen == Screen::MainMenu;
        p.menu_selection = app.menu_selection;
        p.session_after_leave = app.session.active;
    }
    if (p.frames == 31) {
        // The menu frame just drawn: the empty world's layers hold nothing,
        // so any capsule in them is a leftover of the game.
        const WorldRanges& r = app.renderer.world_ranges;
        p.effect_capsules_on_menu = r.normal_below.count + r.additive.count + r.normal_above.count;
    }
    if (p.frames == 32) {
        SDL_Event quit = {};
        quit.type = SDL_EVENT_QUIT;
        SDL_PushEvent(&quit);
    }
}

TEST(SessionGlue, TutorialStartsPlaysAndLeavesToTheMenu) {
    TutorialProbe probe;
    testing::internal::CaptureStderr();
    const int status = run_app(FrameHook{tutorial_frame, &probe});
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(status, 0) << log;
    EXPECT_TRUE(probe.started_playing);
    EXPECT_TRUE(probe.joined) << log;
    EXPECT_TRUE(probe.camera_on_plane);
    EXPECT_TRUE(probe.left_to_menu);
    EXPECT_EQ(probe.menu_selection, 1u);  // "Tutorial"
    EXPECT_FALSE(probe.session_after_leave);
    EXPECT_GT(probe.smoke_before_leave, 0u);
    EXPECT_GT(probe.fire_before_leave, 0u);
    EXPECT_TRUE(probe.rope_before_leave);
    EXPECT_EQ(probe.effect_capsules_on_menu, 0u);  // only the starry backdrop
    EXPECT_NE(log.find("info: player 0 joined from 127.0.0.1:1"), std::string::npos) << log;
}

}  // namespace
