#pragma once
// The application record: allocated once at start-up, freed at exit. Every
// subsystem keeps its state in here and receives it by reference.
#include <cstdint>

#include <SDL3/SDL_keyboard.h>
#include <SDL3/SDL_video.h>

#include "app/internet_list.h"
#include "app/kept_state.h"
#include "app/pads.h"
#include "client/interface.h"
#include "client/server_list.h"
#include "client/server_rows.h"
#include "client/session.h"
#include "render/effects.h"
#include "render/renderer.h"
#include "world/vec2.h"

struct AudioState;

// The status of every server in the list is asked for again after this long
// while the server list is shown.
constexpr float STATUS_RECHECK = 5.0f;

// How far the menu backdrop's camera drifts per tick.
constexpr Vec2 MENU_CAMERA_DRIFT = {0.2f, 0.075f};

// The interface's state (screen, selection, shop, leave dialog, settings,
// minimap flag, status recheck timer) is the base record Interface
// (client/interface.h), so its fields read app.screen, app.volume, ...
struct App : Interface {
    SDL_Window* window = nullptr;
    SDL_GLContext gl_context = nullptr;
    Renderer renderer;

    bool running = true;
    uint64_t last_frame_ns = 0;
    float tick_accumulator = 0.0f;
    float render_clock = 0.0f;  // seconds in [0, 3600), read by the shaders
    Vec2 camera_centre = {4800.0f, 2700.0f};

    ServerList servers;
    KeptState kept;  // where the settings and added servers are kept
    InternetList internet;  // the registries' servers

    // The game being played, with its notifications, HUD values and chat input.
    Session session;
    EffectLists effects;

    AudioState* audio = nullptr;  // null while playing without sound
    Pads pads;

    // Where the flight controls are read from: the platform's keyboard state
    // (indexed by scancode). A test can point it at keys of its own.
    const bool* (*read_keyboard)(int* count) = SDL_GetKeyboardState;
};

// Something a caller (a test) wants done after every frame has been presented.
struct FrameHook {
    void (*after_frame)(App& app, void* user) = nullptr;
    void* user = nullptr;
};

// The whole program: start-up, the main loop, shutdown. Returns the process
// exit status: 0 after an orderly shutdown, 1 after a start-up failure.
int run_app(const FrameHook& hook = {});

// What the servers screen lists.
ServerScreenShape server_screen_shape(const App& app);

// One frame of client logic: events, clocks, display settings, and then the
// session or the menu ticks.
void client_frame(App& app);

// Draws the whole screen from the App into the current framebuffer.
void render_frame(App& app);
