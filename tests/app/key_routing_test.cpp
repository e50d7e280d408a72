// The shell's key table without a window: who takes a key first (chat
// input, leave dialog, shop, screen), held keys, the flight controls while
// an overlay is open, and the volume reaching the sound.
#include <gtest/gtest.h>

#include <SDL3/SDL_events.h>
#include <SDL3/SDL_scancode.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/input.h"
#include "audio/audio_device.h"
#include "client/chat_input.h"

namespace {

void press(App& app, SDL_Scancode scancode, bool repeat = false) {
    SDL_KeyboardEvent key = {};
    key.type = SDL_EVENT_KEY_DOWN;
    key.scancode = scancode;
    key.down = true;
    key.repeat = repeat;
    on_key_down(app, key);
}

std::string chat_text(const App& app) { return std::string(app.session.chat.text, app.session.chat.length); }

// The whole interface state and the chat input, for "nothing changed".
std::string state_of(const App& app) {
    const Interface& ui = app;
    return std::to_string(int(ui.screen)) + "/" + std::to_string(ui.menu_selection) + "/" +
           std::to_string(ui.shop.open) + std::to_string(ui.shop.selected) + "/" +
           std::to_string(ui.leave_dialog.open) + std::to_string(ui.leave_dialog.selection) + "/" +
           std::to_string(ui.volume) + "/" + std::to_string(ui.resolution_index) +
           std::to_string(ui.borderless_fullscreen) + std::to_string(ui.display_settings_changed) + "/" +
           std::to_string(ui.minimap_shown) + "/" + std::to_string(app.session.chat.typing) + chat_text(app) + "/" +
           std::to_string(app.running);
}

class KeyRouting : public ::testing::Test {
protected:
    void playing() { app->screen = Screen::Playing; }
    void typing(const char* text) {
        playing();
        start_chat(app->session.chat);
        on_text_input(*app, text);
    }
    std::unique_ptr<App> app = std::make_unique<App>();
};

TEST_F(KeyRouting, TheFirstOpenTakerKeepsTheKey) {
    // Tab while the leave dialog is open does nothing.
    playing();
    app->leave_dialog.open = true;
    press(*app, SDL_SCANCODE_TAB);
    EXPECT_TRUE(app->minimap_shown);
    EXPECT_TRUE(app->leave_dialog.open);
    press(*app, SDL_SCANCODE_T);
    EXPECT_FALSE(app->session.chat.typing);

    // The open shop lets Tab through to the game, but not T.
    app->leave_dialog = LeaveDialog{};
    app->shop.open = true;
    press(*app, SDL_SCANCODE_TAB);
    EXPECT_FALSE(app->minimap_shown);
    press(*app, SDL_SCANCODE_T);
    EXPECT_FALSE(app->session.chat.typing);
    press(*app, SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(app->shop.open);
    EXPECT_FALSE(app->leave_dialog.open);  // Esc closed the shop only

    // The chat input takes Esc, Tab and the digits before the game.
    typing("hi");
    press(*app, SDL_SCANCODE_TAB);
    press(*app, SDL_SCANCODE_3);
    EXPECT_FALSE(app->minimap_shown);
    EXPECT_FALSE(app->shop.open);
    press(*app, SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(app->session.chat.typing);
    EXPECT_FALSE(app->leave_dialog.open);
}

TEST_F(KeyRouting, HeldKeysRepeatOnlyAsBackspaceInTheChat) {
    press(*app, SDL_SCANCODE_DOWN, true);
    EXPECT_EQ(app->menu_selection, 0u);
    press(*app, SDL_SCANCODE_DOWN);
    EXPECT_EQ(app->menu_selection, 1u);

    typing("abc");
    press(*app, SDL_SCANCODE_BACKSPACE, true);
    press(*app, SDL_SCANCODE_BACKSPACE, true);
    EXPECT_EQ(chat_text(*app), "a");
    press(*app, SDL_SCANCODE_RETURN, true);
    press(*app, SDL_SCANCODE_ESCAPE, true);
    EXPECT_TRUE(app->session.chat.typing);
    press(*app, SDL_SCANCODE_ESCAPE);
    EXPECT_FALSE(app->session.chat.typing);

    press(*app, SDL_SCANCODE_RETURN, true);
    EXPECT_FALSE(app->shop.open);
    press(*app, SDL_SCANCODE_ESCAPE, true);
    EXPECT_FALSE(app->leave_dialog.open);
}

TEST_F(KeyRouting, KeysWithoutAMeaningChangeNothingAnywhere) {
    const auto unmapped = {SDL_SCANCODE_A, SDL_SCANCODE_Z, SDL_SCANCODE_F1, SDL_SCANCODE_8, SDL_SCANCODE_SPACE};
    for (Screen screen : {Screen::MainMenu, Screen::ServerList, Screen::Settings, Screen::Playing}) {
        app->screen = screen;
        const std::string before = state_of(*app);
        for (SDL_Scancode key : unmapped) press(*app, key);
        EXPECT_EQ(state_of(*app), before) << int(screen);
    }
    typing("x");
    app->shop = ShopOverlay{};
    const std::string before = state_of(*app);
    for (SDL_Scancode key : unmapped) press(*app, key);
    EXPECT_EQ(state_of(*app), before);
}

TEST_F(KeyRouting, ExitEndsTheLoop) {
    app->menu_selection = MenuExit;
    press(*app, SDL_SCANCODE_KP_ENTER);
    EXPECT_FALSE(app->running);
}

TEST_F(KeyRouting, EveryVolumeChangeReachesTheSound) {
    AudioState audio;
    app->audio = &audio;
    app->screen = Screen::Settings;
    press(*app, SDL_SCANCODE_LEFT);
    EXPECT_FLOAT_EQ(audio.master_volume.load(), 0.9f);
    for (int i = 0; i < 12; ++i) press(*app, SDL_SCANCODE_LEFT);
    EXPECT_EQ(app->volume, 0);
    EXPECT_EQ(audio.master_volume.load(), 0.0f);
    press(*app, SDL_SCANCODE_RIGHT);
    EXPECT_FLOAT_EQ(audio.master_volume.load(), 0.1f);

    app->audio = nullptr;  // playing without sound: the setting still changes
    press(*app, SDL_SCANCODE_RIGHT);
    EXPECT_EQ(app->volume, 20);
}

bool all_flight_keys[SDL_SCANCODE_COUNT];

const bool* every_flight_key_held(int* count) {
    for (SDL_Scancode key : {SDL_SCANCODE_LEFT, SDL_SCANCODE_RIGHT, SDL_SCANCODE_UP, SDL_SCANCODE_SPACE,
                             SDL_SCANCODE_LSHIFT}) {
        all_flight_keys[key] = true;
    }
    *count = SDL_SCANCODE_COUNT;
    return all_flight_keys;
}

bool any(const Controls& c) { return c.turn_left || c.turn_right || c.thrust || c.fire || c.hook_key; }

TEST_F(KeyRouting, OverlaysReleaseTheFlightControls) {
    app->read_keyboard = every_flight_key_held;
    playing();
    const Controls held = sample_controls(*app);
    EXPECT_TRUE(held.turn_left && held.turn_right && held.thrust && held.fire && held.hook_key);

    press(*app, SDL_SCANCODE_RETURN);  // the shop
    EXPECT_FALSE(any(sample_controls(*app)));
    press(*app, SDL_SCANCODE_ESCAPE);
    EXPECT_TRUE(any(sample_controls(*app)));

    press(*app, SDL_SCANCODE_ESCAPE);  // the leave dialog
    EXPECT_FALSE(any(sample_controls(*app)));
    press(*app, SDL_SCANCODE_ESCAPE);

    press(*app, SDL_SCANCODE_T);  // the chat input
    EXPECT_FALSE(any(sample_controls(*app)));
    press(*app, SDL_SCANCODE_ESCAPE);
    EXPECT_TRUE(any(sample_controls(*app)));
}

}  // namespace
