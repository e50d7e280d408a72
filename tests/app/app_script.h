#pragma once
// Playing the whole program through its interface: keys, typed text and
// clicks pushed into the platform's event queue and handled by the real
// main loop, one stage after another (see Script).
#include <SDL3/SDL_scancode.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/app.h"
#include "client/layout.h"

// The flight controls are read from the keyboard state, which pushed events
// do not change: a test holds keys through the App's keyboard reader.
const bool* test_keyboard(int* count);
void hold_only(std::initializer_list<SDL_Scancode> keys);

void push_key(SDL_Scancode scancode, bool repeat = false);
void push_text(const char* text);  // `text` must outlive the frame: a literal
// A left click on the middle of `r` (framebuffer pixels).
void push_click_on(App& app, const Rect& r);

InterfaceBox box_of(App& app);
std::string title_of(App& app);
bool has_line(const App& app, const std::string& text);

// Each stage waits (frame after frame) until its condition holds, then acts
// once. A stage that waits longer than STAGE_SECONDS ends the run and names
// itself.
struct Stage {
    const char* name;
    std::function<bool(App&)> until;
    std::function<void(App&)> then;
};

constexpr uint64_t STAGE_SECONDS = 30;

struct Script {
    std::vector<Stage> stages;
    size_t next = 0;
    uint64_t stage_start_ms = 0;
    std::string stuck_at;  // empty when every stage was reached
    bool quit_sent = false;
};

// The frame hook that plays a Script (its user pointer).
void run_stage(App& app, void* user);

bool always(App&);
// The game left: the main menu shows and no session is active.
bool back_on_main_menu(App& app);

// Runs the whole program through the script's stages; the log it wrote.
std::string play_script(Script& script);
