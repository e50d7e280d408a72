#include <SDL3/SDL_events.h>
#include <SDL3/SDL_mouse.h>
#include <SDL3/SDL_timer.h>

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/clock.h"
#include "app/display.h"
#include "app/internet.h"
#include "app/kept.h"
#include "app/window_title.h"
#include "world/geometry.h"

namespace {

void handle_events(App& app) {
    SDL_Event event;
    // Every pending event is handled, also those queued behind a quit request.
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_EVENT_QUIT: app.running = false; break;
        case SDL_EVENT_KEY_DOWN: on_key_down(app, event.key); break;
        case SDL_EVENT_GAMEPAD_BUTTON_DOWN: on_pad_button(app, event.gbutton); break;
        case SDL_EVENT_GAMEPAD_ADDED: on_pad_added(app.pads, event.gdevice.which); break;
        case SDL_EVENT_GAMEPAD_REMOVED: on_pad_removed(app.pads, event.gdevice.which); break;
        case SDL_EVENT_TEXT_INPUT: on_text_input(app, event.text.text); break;
        case SDL_EVENT_MOUSE_BUTTON_DOWN:
            if (event.button.button == SDL_BUTTON_LEFT) on_click(app, event.button.x, event.button.y);
            break;
        default: break;
        }
    }
}

void advance_clocks(App& app) {
    float dt = take_frame_time(SDL_GetTicksNS(), app.last_frame_ns);
    app.render_clock = advance_render_clock(app.render_clock, dt);
    app.tick_accumulator = accumulate_frame_time(app.tick_accumulator, dt);
}

// The menus show the world drifting slowly behind them.
void menu_frame(App& app) {
    const Vec2 world_size = {WORLD_WIDTH, WORLD_HEIGHT};
    while (take_tick(app.tick_accumulator)) {
        app.camera_centre = wrap(app.camera_centre + MENU_CAMERA_DRIFT, world_size);
        age_notifications(app.session.notifications);
        app.status_recheck_timer -= TICK;
    }
    // Starting a round also restarts the recheck timer; the registries are
    // asked again with every round, and the servers they newly list are
    // asked for their status as soon as the registries' answers are in.
    if (app.screen == Screen::ServerList) {
        if (take_internet_round(app)) start_status_queries(app);
        if (app.status_recheck_timer <= 0.0f) {
            start_status_queries(app);
            start_internet_round(app.internet);
        }
    }
    update_window_title(app);
}

}  // namespace

void client_frame(App& app) {
    handle_events(app);
    save_kept(app);
    advance_clocks(app);
    if (app.display_settings_changed) {
        app.display_settings_changed = false;
        apply_display_settings(app);
    }
    if (app.session.active) {
        session_frame(app);
    } else {
        menu_frame(app);
    }
}
