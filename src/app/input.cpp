#include "app/input.h"

#include <SDL3/SDL_keyboard.h>

#include "app/app.h"

namespace {

constexpr int SCANCODE_RIGHT = 79;
constexpr int SCANCODE_LEFT = 80;
constexpr int SCANCODE_UP = 82;
constexpr int SCANCODE_SPACE = 44;
constexpr int SCANCODE_LEFT_SHIFT = 225;
constexpr int SCANCODE_RIGHT_SHIFT = 229;

bool held(const bool* keys, int count, int scancode) { return scancode < count && keys[scancode]; }

}  // namespace

Controls controls_from_keyboard(const bool* keys, int count) {
    Controls c;
    if (!keys) return c;
    c.turn_left = held(keys, count, SCANCODE_LEFT);
    c.turn_right = held(keys, count, SCANCODE_RIGHT);
    c.thrust = held(keys, count, SCANCODE_UP);
    c.fire = held(keys, count, SCANCODE_SPACE);
    c.hook_key = held(keys, count, SCANCODE_LEFT_SHIFT) || held(keys, count, SCANCODE_RIGHT_SHIFT);
    return c;
}

Controls sample_controls(const App& app) {
    if (app.shop.open || app.leave_dialog.open || app.session.chat.typing) return {};
    int count = 0;
    const bool* keys = SDL_GetKeyboardState(&count);
    return controls_from_keyboard(keys, count);
}
