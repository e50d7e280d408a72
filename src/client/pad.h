#pragma once
// What a gamepad means, apart from the platform: its buttons become the same
// keys the keyboard sends in the menus and overlays, and its sticks, d-pad,
// trigger and buttons the same flight controls. Keys and pads work together.
#include <cstdint>
#include <optional>

#include "client/controls.h"
#include "client/interface.h"
#include "client/keys.h"

// The buttons that mean something, named by their place on the pad (the
// south face button is A on some pads and a cross on others).
enum PadButton : uint8_t {
    PadSouth = 0,
    PadEast = 1,
    PadWest = 2,
    PadNorth = 3,
    PadBack = 4,
    PadStart = 5,
    PadLeftShoulder = 6,
    PadRightShoulder = 7,
    PadUp = 8,  // the d-pad
    PadDown = 9,
    PadLeft = 10,
    PadRight = 11,
};
constexpr int PAD_BUTTONS = 12;

// One pad as read in a frame: its buttons, the left stick (-1 .. 1 on both
// axes, y down) and the right trigger (0 .. 1).
struct PadState {
    bool buttons[PAD_BUTTONS] = {};
    float stick_x = 0;
    float stick_y = 0;
    float trigger = 0;
};

// A stick further than this from the middle turns or thrusts; a trigger
// pulled further than TRIGGER_PULLED thrusts.
constexpr float STICK_DEAD_ZONE = 0.4f;
constexpr float TRIGGER_PULLED = 0.25f;

// Where a button press lands: the menus, the game with the plane in the
// player's hands, or the game with an overlay open (shop, leave dialog, chat).
enum class PadPlace : uint8_t { Menus, Flying, Overlay };

PadPlace pad_place(const Interface& ui, bool chat_typing);

// The key a button press stands for there, or none. While flying only Start
// (the shop) and Back (the leave dialog) are keys: the other buttons are
// held controls. Elsewhere the d-pad moves like the arrows, South chooses
// like Enter, East and Back go back like Esc, and Start chooses on the menus
// and closes an overlay.
std::optional<Key> pad_key(PadButton button, PadPlace place);

// The flight controls a pad holds: the stick or the d-pad turns, the stick
// pushed up or the right trigger thrusts, South fires, East or either
// shoulder works the hook.
Controls controls_from_pad(const PadState& pad);

// Both held at once: a control is on when either holds it.
Controls either(const Controls& a, const Controls& b);
