#include "app/app_script.h"

#include <gtest/gtest.h>

#include <SDL3/SDL_events.h>
#include <SDL3/SDL_keyboard.h>
#include <SDL3/SDL_mouse.h>
#include <SDL3/SDL_timer.h>
#include <SDL3/SDL_video.h>

// --- the keyboard and the event queue ------------------------------------

namespace {

bool held_keys[SDL_SCANCODE_COUNT];

}  // namespace

const bool* test_keyboard(int* count) {
    *count = SDL_SCANCODE_COUNT;
    return held_keys;
}

void hold_only(std::initializer_list<SDL_Scancode> keys) {
    for (bool& k : held_keys) k = false;
    for (SDL_Scancode k : keys) held_keys[k] = true;
}

void push_key(SDL_Scancode scancode, bool repeat) {
    SDL_Event e = {};
    e.type = SDL_EVENT_KEY_DOWN;
    e.key.scancode = scancode;
    e.key.down = true;
    e.key.repeat = repeat;
    SDL_PushEvent(&e);
}

void push_text(const char* text) {
    SDL_Event e = {};
    e.type = SDL_EVENT_TEXT_INPUT;
    e.text.text = text;
    SDL_PushEvent(&e);
}

// A left click on the middle of `r` (framebuffer pixels), given in window
// coordinates as the platform reports clicks.
void push_click_on(App& app, const Rect& r) {
    const float density = SDL_GetWindowPixelDensity(app.window);
    SDL_Event e = {};
    e.type = SDL_EVENT_MOUSE_BUTTON_DOWN;
    e.button.button = SDL_BUTTON_LEFT;
    e.button.down = true;
    e.button.x = (r.x + r.w / 2) / density;
    e.button.y = (r.y + r.h / 2) / density;
    SDL_PushEvent(&e);
}

InterfaceBox box_of(App& app) {
    int w = 0, h = 0;
    SDL_GetWindowSizeInPixels(app.window, &w, &h);
    return interface_box(float(w), float(h), SDL_GetWindowDisplayScale(app.window));
}

std::string title_of(App& app) {
    const char* title = SDL_GetWindowTitle(app.window);
    return title ? title : "";
}

bool has_line(const App& app, const std::string& text) {
    const NotificationList& list = app.session.notifications;
    for (int i = 0; i < list.count; ++i) {
        if (list.items[i].view() == text) return true;
    }
    return false;
}

// --- a script of waits and actions, one stage at a time -------------------

namespace {

void quit() {
    SDL_Event e = {};
    e.type = SDL_EVENT_QUIT;
    SDL_PushEvent(&e);
}

// The offscreen driver presents without waiting for the drawing, so frames
// would queue up in the software renderer faster than it draws them (and
// shutdown would wait for all of them). Each frame is finished before the next.
// The address is looked up each time, never kept: a later run of the game in
// this process loads the OpenGL library afresh, perhaps somewhere else.
void finish_drawing() {
    using Finish = void (*)();
    const auto finish = reinterpret_cast<Finish>(SDL_GL_GetProcAddress("glFinish"));
    if (finish) finish();
}

}  // namespace

void run_stage(App& app, void* user) {
    Script& s = *static_cast<Script*>(user);
    finish_drawing();
    SDL_Delay(4);  // real time for the fixed ticks
    if (s.quit_sent) return;
    if (s.stage_start_ms == 0) s.stage_start_ms = SDL_GetTicks();
    if (s.next == s.stages.size()) {
        quit();
        s.quit_sent = true;
        return;
    }
    Stage& stage = s.stages[s.next];
    if (!stage.until(app)) {
        if (SDL_GetTicks() - s.stage_start_ms > STAGE_SECONDS * 1000) {
            s.stuck_at = stage.name;
            quit();
            s.quit_sent = true;
        }
        return;
    }
    if (stage.then) stage.then(app);
    ++s.next;
    s.stage_start_ms = SDL_GetTicks();
}

bool always(App&) { return true; }

bool back_on_main_menu(App& app) { return app.screen == Screen::MainMenu && !app.session.active; }


std::string play_script(Script& script) {
    testing::internal::CaptureStderr();
    const int status = run_app(FrameHook{run_stage, &script});
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 0) << log;
    EXPECT_EQ(script.stuck_at, "") << log;
    return log;
}
