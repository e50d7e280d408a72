#pragma once
// The gamepads, plugged in before the game or during it: each is opened as
// the platform announces it and closed when it goes. Their presses go to the
// interface like keys, and what they hold joins the keyboard's flight
// controls (client/pad.h says what means what).
#include <optional>

#include <SDL3/SDL_gamepad.h>

#include "client/controls.h"
#include "client/pad.h"

constexpr int MAX_PADS = 4;

struct Pads {
    SDL_Gamepad* open[MAX_PADS] = {};
    int count = 0;
};

// Starts the platform's gamepad support. A refusal is logged once; the game
// is then played with the keyboard.
void start_gamepads();

// A pad announced by the platform is opened (a fifth is left alone); one
// that went away is closed.
void on_pad_added(Pads& pads, SDL_JoystickID id);
void on_pad_removed(Pads& pads, SDL_JoystickID id);
void close_pads(Pads& pads);

// The flight controls all open pads hold together.
Controls pad_controls(const Pads& pads);

// The button of a platform button number, if it means something.
std::optional<PadButton> pad_button_of(int sdl_button);
