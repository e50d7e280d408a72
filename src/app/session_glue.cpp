// The App's side of a session: the keyboard goes in, the visual effects are
// advanced and the sounds played after every tick, and the screens follow the
// session's start and end.
#include "app/session_glue.h"

#include <chrono>

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/input.h"
#include "app/text_input.h"
#include "app/window_title.h"
#include "audio/game_sounds.h"
#include "client/session.h"
#include "render/effects.h"

namespace {

void advance_effects_after_tick(void* user, const Session& s) {
    App& app = *static_cast<App*>(user);
    advance_effects(app.effects, s.client.world, s.client.smoothing);
}

// The effects of the same tick have just found its break-ups.
void play_sounds_after_tick(void* user, const Session& s, Vec2 camera_centre) {
    App& app = *static_cast<App*>(user);
    const Breakups breakups{app.effects.explosions, app.effects.explosion_count};
    play_tick_sounds(*app.audio, s.client, camera_centre, breakups);
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

void start_practice(App& app) {
    // Any seed gives a fair map; the clock gives a new one every time.
    const uint64_t seed = static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
    if (start_practice(app.session, app.bot_skill, seed)) show_game(app);
}

void session_frame(App& app) {
    SessionHooks hooks;
    hooks.user = &app;
    hooks.effects = advance_effects_after_tick;
    if (app.audio) hooks.sounds = play_sounds_after_tick;
    session_frame(app.session, sample_controls(app), app.tick_accumulator, app.camera_centre, hooks);
    update_window_title(app);
}

void leave_session(App& app) {
    const uint8_t back_to = app.session.tutorial ? MenuTutorial : app.session.practice ? MenuPractice : MenuConnect;
    leave_session(app.session);
    // The menus show only the starry backdrop: the last game's smoke, fire,
    // ropes and wrecks go with it.
    reset_effects(app.effects);
    app.shop = ShopOverlay{};
    app.leave_dialog = LeaveDialog{};
    follow_chat_input(app);
    app.screen = Screen::MainMenu;
    app.menu_selection = back_to;
    if (app.audio) silence_engines(*app.audio);
}
