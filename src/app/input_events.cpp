// Keys, typed text and clicks from the platform, handed to the interface.
#include <optional>

#include <SDL3/SDL_video.h>

#include "app/app.h"
#include "app/client_hooks.h"
#include "app/requests.h"
#include "client/chat_input.h"
#include "client/clicks.h"
#include "client/keys.h"
#include "client/menus.h"
#include "client/pad.h"
#include "client/playing_keys.h"

namespace {

// One taker of keys. While open it sees a key before the takers below it,
// and keeps it unless it lets that key through.
struct KeyTaker {
    bool (*open)(const App& app);
    bool (*lets_through)(Key key);
    bool (*takes_repeats)(Key key);  // held keys it still wants
    Request (*take)(App& app, Key key);
};

bool chat_input_open(const App& app) { return app.session.chat.typing; }
bool address_input_open(const App& app) { return app.screen == Screen::ServerList && app.address_input.typing; }
bool leave_dialog_open(const App& app) { return app.screen == Screen::Playing && app.leave_dialog.open; }
bool shop_open(const App& app) { return app.screen == Screen::Playing && app.shop.open; }
bool always(const App&) { return true; }

bool no_key(Key) { return false; }
bool backspace(Key key) { return key == KeyBackspace; }

Request take_chat_key(App& app, Key key) {
    chat_key(app.session, key);
    return {};
}

Request take_address_key(App& app, Key key) { return address_input_key(app, key); }

Request take_leave_dialog_key(App& app, Key key) { return leave_dialog_key(app.leave_dialog, key); }

Request take_shop_key(App& app, Key key) {
    shop_key(app, app.session, key);
    return {};
}

Request take_screen_key(App& app, Key key) {
    if (app.screen != Screen::Playing) return menu_key(app, server_screen_shape(app), key);
    playing_key(app, app.session, key);
    return {};
}

// Who takes a key first: the chat input or the servers screen's address
// input while typing (held Backspace keeps deleting), the leave dialog, the shop (Tab still toggles the minimap), and
// last the screen itself: the game's keys or the menus'. Held keys repeat
// nowhere else.
constexpr KeyTaker KEY_TAKERS[] = {
    {chat_input_open, no_key, backspace, take_chat_key},
    {address_input_open, no_key, backspace, take_address_key},
    {leave_dialog_open, no_key, no_key, take_leave_dialog_key},
    {shop_open, shop_lets_through, no_key, take_shop_key},
    {always, no_key, no_key, take_screen_key},
};

void take_key(App& app, Key key, bool repeat) {
    for (const KeyTaker& taker : KEY_TAKERS) {
        if (!taker.open(app) || taker.lets_through(key)) continue;
        if (repeat && !taker.takes_repeats(key)) return;
        carry_out(app, taker.take(app, key));
        return;
    }
}

}  // namespace

void on_key_down(App& app, const SDL_KeyboardEvent& event) {
    if (const std::optional<Key> key = map_key(event.scancode)) take_key(app, *key, event.repeat);
}

// A pad's press is the key it stands for where the player is, taken by the
// same takers as the keyboard's.
void on_pad_button(App& app, const SDL_GamepadButtonEvent& event) {
    const std::optional<PadButton> button = pad_button_of(event.button);
    if (!button) return;
    const std::optional<Key> key = pad_key(*button, pad_place(app, app.session.chat.typing));
    if (key) take_key(app, *key, false);
}

void on_text_input(App& app, const char* text) {
    if (!text) return;
    chat_text_input(app.session.chat, text);
    chat_text_input(app.address_input, text);
}

void on_click(App& app, float x, float y) {
    if (address_input_open(app)) return;  // typing: the keys decide
    int width = 0;
    int height = 0;
    SDL_GetWindowSizeInPixels(app.window, &width, &height);
    const float density = SDL_GetWindowPixelDensity(app.window);
    const float pixels = density > 0.0f ? density : 1.0f;
    const InterfaceBox box =
        interface_box(static_cast<float>(width), static_cast<float>(height), SDL_GetWindowDisplayScale(app.window));
    carry_out(app, interface_click(app, app.session, server_screen_shape(app), box, x * pixels, y * pixels));
}
