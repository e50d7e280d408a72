#include "app/app.h"

#include <cstdlib>
#include <new>

#include <SDL3/SDL_error.h>
#include <SDL3/SDL_init.h>
#include <SDL3/SDL_timer.h>
#include <SDL3/SDL_video.h>

#include "app/client_hooks.h"
#include "base/errors.h"
#include "base/log.h"
#include "audio/audio_device.h"
#include "render/renderer.h"

namespace {

constexpr int INITIAL_WIDTH = 1280;
constexpr int INITIAL_HEIGHT = 720;
// How long shutdown waits for status queries still writing into the server
// list (each gives up after a few seconds on its own).
constexpr uint64_t STATUS_WORKER_WAIT_MS = 6000;

struct Platform {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

void log_sdl_failure(const char* what) {
    LogText message;
    message << what << SDL_GetError();
    log_line(LogLevel::Error, message);
}

void close_platform(Platform& platform) {
    if (platform.context) SDL_GL_DestroyContext(platform.context);
    if (platform.window) SDL_DestroyWindow(platform.window);
    SDL_Quit();
    forget_gl_functions();
    platform = {};
}

// The platform library, the window, the OpenGL 3.3 core context and the
// swap interval. On failure everything opened here is closed again.
StartupError open_platform(Platform& platform) {
    if (!SDL_Init(SDL_INIT_VIDEO)) {
        log_sdl_failure("can't start SDL: ");
        return StartupError::SdlFailed;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    SDL_WindowFlags flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIGH_PIXEL_DENSITY;
    platform.window = SDL_CreateWindow("skorvia", INITIAL_WIDTH, INITIAL_HEIGHT, flags);
    if (!platform.window) {
        log_sdl_failure("can't open a window: ");
        close_platform(platform);
        return StartupError::SdlFailed;
    }
    platform.context = SDL_GL_CreateContext(platform.window);
    if (!platform.context) {
        log_sdl_failure("can't use OpenGL 3.3: ");
        close_platform(platform);
        return StartupError::SdlFailed;
    }
    // Adaptive vertical sync where offered, plain vertical sync otherwise:
    // presenting is the only frame pacing there is.
    if (!SDL_GL_SetSwapInterval(-1)) SDL_GL_SetSwapInterval(1);
    return StartupError::None;
}

void fill_server_list(ServerList& servers) {
    add_server(servers, DEFAULT_SERVER_TEXT);
    if (const char* text = std::getenv("SKORVIA_SERVER")) add_server(servers, text);
}

bool workers_running(const App& app) {
    return status_queries_running(app.servers) || internet_round_running(app.internet);
}

// Frees the App unless a status query still writes into its server list past
// the wait; then the memory is left to the ending process. A registry round
// is waited for too: it may be inside the TLS library, which must not be
// torn down under it.
void free_app(App* app) {
    uint64_t waited = 0;
    while (workers_running(*app) && waited < STATUS_WORKER_WAIT_MS) {
        SDL_Delay(10);
        waited += 10;
    }
    if (workers_running(*app)) return;
    delete app;
}

// Start-up steps 6 to 11. On failure everything created here is released;
// the caller closes the platform.
StartupError create_app(App*& out) {
    if (StartupError e = load_gl_functions(); e != StartupError::None) return e;

    App* app = new (std::nothrow) App;
    if (!app) return StartupError::OutOfMemory;
    if (StartupError e = create_renderer(app->renderer); e != StartupError::None) {
        delete app;
        return e;
    }
    app->last_frame_ns = SDL_GetTicksNS();
    fill_server_list(app->servers);
    load_kept(*app);
    set_up_internet(app->internet, std::getenv("SKORVIA_REGISTRY"));
    start_gamepads();
    app->audio = create_audio();
    // The kept volume, heard from the start.
    if (app->audio) set_master_volume(*app->audio, app->volume / 100.0f);
    out = app;
    return StartupError::None;
}

// The window goes away first: the wait for status queries below may take
// seconds, and a window left on screen would look frozen.
void shut_down(App* app, Platform& platform) {
    SDL_HideWindow(platform.window);
    leave_session(*app);
    close_pads(app->pads);
    destroy_audio(app->audio);
    app->audio = nullptr;
    destroy_renderer(app->renderer);
    free_app(app);
    close_platform(platform);
}

}  // namespace

int run_app(const FrameHook& hook) {
    Platform platform;
    StartupError error = open_platform(platform);
    App* app = nullptr;
    if (error == StartupError::None) {
        error = create_app(app);
        if (error != StartupError::None) close_platform(platform);
    }
    if (error != StartupError::None) {
        log_line(LogLevel::Error, error_name(error));
        return 1;
    }
    app->window = platform.window;
    app->gl_context = platform.context;

    while (app->running) {
        client_frame(*app);
        render_frame(*app);
        SDL_GL_SwapWindow(app->window);
        if (hook.after_frame) hook.after_frame(*app, hook.user);
    }
    shut_down(app, platform);
    return 0;
}
