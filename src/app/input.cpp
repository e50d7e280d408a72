#include "app/input.h"

#include <SDL3/SDL_keyboard.h>

#include "app/app.h"

namespace {

bool held(const bool* keys, int count, int scancode) { return scancode < count && keys[scancode]; }

}  // namespace

Controls controls_from_keyboard(const bool* keys, int count) {
    Controls c;
    if (!keys) return c;
    c.turn_left = held(keys, count, SDL_SCANCODE_LEFT);
    c.turn_right = held(keys, count, SDL_SCANCODE_RIGHT);
    c.thrust = held(keys, count, SDL_SCANCODE_UP);
    c.fire = held(keys, count, SDL_SCANCODE_SPACE);
    c.hook_key = held(keys, count, SDL_SCANCODE_LSHIFT) || held(keys, count, SDL_SCANCODE_RSHIFT);
    return c;
}

Controls sample_controls(const App& app) {
    if (app.shop.open || app.leave_dialog.open || app.session.chat.typing) return {};
    int count = 0;
    const bool* keys = app.read_keyboard ? app.read_keyboard(&count) : nullptr;
    return either(controls_from_keyboard(keys, count), pad_controls(app.pads));
}
