#include "app/pads.h"

#include <SDL3/SDL_error.h>
#include <SDL3/SDL_init.h>

#include "base/log.h"

namespace {

// The platform's buttons in the order of PadButton.
constexpr SDL_GamepadButton SDL_BUTTONS[PAD_BUTTONS] = {
    SDL_GAMEPAD_BUTTON_SOUTH,         SDL_GAMEPAD_BUTTON_EAST,           SDL_GAMEPAD_BUTTON_WEST,
    SDL_GAMEPAD_BUTTON_NORTH,         SDL_GAMEPAD_BUTTON_BACK,           SDL_GAMEPAD_BUTTON_START,
    SDL_GAMEPAD_BUTTON_LEFT_SHOULDER, SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER, SDL_GAMEPAD_BUTTON_DPAD_UP,
    SDL_GAMEPAD_BUTTON_DPAD_DOWN,     SDL_GAMEPAD_BUTTON_DPAD_LEFT,      SDL_GAMEPAD_BUTTON_DPAD_RIGHT,
};

float axis(SDL_Gamepad* pad, SDL_GamepadAxis which) {
    return static_cast<float>(SDL_GetGamepadAxis(pad, which)) / SDL_JOYSTICK_AXIS_MAX;
}

PadState read_pad(SDL_Gamepad* pad) {
    PadState state;
    for (int b = 0; b < PAD_BUTTONS; ++b) state.buttons[b] = SDL_GetGamepadButton(pad, SDL_BUTTONS[b]);
    state.stick_x = axis(pad, SDL_GAMEPAD_AXIS_LEFTX);
    state.stick_y = axis(pad, SDL_GAMEPAD_AXIS_LEFTY);
    state.trigger = axis(pad, SDL_GAMEPAD_AXIS_RIGHT_TRIGGER);
    return state;
}

}  // namespace

void start_gamepads() {
    if (SDL_InitSubSystem(SDL_INIT_GAMEPAD)) return;
    LogText message;
    message << "playing without gamepads: " << SDL_GetError();
    log_line(LogLevel::Warning, message);
}

void on_pad_added(Pads& pads, SDL_JoystickID id) {
    if (pads.count >= MAX_PADS) return;
    for (int i = 0; i < pads.count; ++i) {
        if (SDL_GetGamepadID(pads.open[i]) == id) return;  // already open
    }
    if (SDL_Gamepad* pad = SDL_OpenGamepad(id)) pads.open[pads.count++] = pad;
}

void on_pad_removed(Pads& pads, SDL_JoystickID id) {
    for (int i = 0; i < pads.count; ++i) {
        if (SDL_GetGamepadID(pads.open[i]) != id) continue;
        SDL_CloseGamepad(pads.open[i]);
        pads.open[i] = pads.open[--pads.count];
        pads.open[pads.count] = nullptr;
        return;
    }
}

void close_pads(Pads& pads) {
    for (int i = 0; i < pads.count; ++i) SDL_CloseGamepad(pads.open[i]);
    pads = Pads{};
}

Controls pad_controls(const Pads& pads) {
    Controls held;
    for (int i = 0; i < pads.count; ++i) held = either(held, controls_from_pad(read_pad(pads.open[i])));
    return held;
}

std::optional<PadButton> pad_button_of(int sdl_button) {
    for (int b = 0; b < PAD_BUTTONS; ++b) {
        if (SDL_BUTTONS[b] == sdl_button) return static_cast<PadButton>(b);
    }
    return std::nullopt;
}
