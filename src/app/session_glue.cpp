// The App's side of a session: the keyboard goes in, the visual effects are
// advanced after every tick, and the screens follow the session's start and end.
#include "app/session_glue.h"

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/input.h"
#include "app/requests.h"
#include "app/window_title.h"
#include "client/session.h"
#include "render/effects.h"

namespace {

void advance_effects_after_tick(void* user, const Session& s) {
    App& app = *static_cast<App*>(user);
    advance_effects(app.effects, s.client.world, s.client.smoothing);
}

// What the interface does once a session has started (which closed the
// chat input).
void show_game(App& app) {
    reset_effects(app.effects);
    app.shop = ShopOverlay{};
    app.leave_dialog = LeaveDialog{};
    follow_chat_input(app);
    app.screen = Screen::Playing;
}

}  // namespace

void start_online_session(App& app, const ServerEntry& entry) {
    if (start_online_session(app.session, entry)) show_game(app);
}

void start_tutorial(App& app) {
    if (start_tutorial(app.session)) show_game(app);
}

void session_frame(App& app) {
    SessionHooks hooks;
    hooks.user = &app;
    hooks.effects = advance_effects_after_tick;
    // The engine sounds and the sound cues of the tick's events plug in as
    // hooks.sounds once the sound synthesis exists; the device is silent now.
    session_frame(app.session, sample_controls(app), app.tick_accumulator, app.camera_centre, hooks);
    update_window_title(app);
}

void leave_session(App& app) {
    const bool was_tutorial = app.session.tutorial;
    leave_session(app.session);
    app.shop = ShopOverlay{};
    app.leave_dialog = LeaveDialog{};
    follow_chat_input(app);
    app.screen = Screen::MainMenu;
    app.menu_selection = was_tutorial ? MenuTutorial : MenuConnect;
    // With sound, the eight engine sounds are silenced here once they exist.
}
