#include "client/pad.h"

PadPlace pad_place(const Interface& ui, bool chat_typing) {
    if (ui.screen != Screen::Playing) return PadPlace::Menus;
    if (ui.shop.open || ui.leave_dialog.open || chat_typing) return PadPlace::Overlay;
    return PadPlace::Flying;
}

std::optional<Key> pad_key(PadButton button, PadPlace place) {
    if (place == PadPlace::Flying) {
        if (button == PadStart) return KeyEnter;
        if (button == PadBack) return KeyEscape;
        return std::nullopt;
    }
    switch (button) {
    case PadUp: return KeyUp;
    case PadDown: return KeyDown;
    case PadLeft: return KeyLeft;
    case PadRight: return KeyRight;
    case PadSouth: return KeyEnter;
    case PadEast:
    case PadBack: return KeyEscape;
    case PadStart: return place == PadPlace::Menus ? KeyEnter : KeyEscape;
    default: return std::nullopt;
    }
}

Controls controls_from_pad(const PadState& pad) {
    Controls c;
    c.turn_left = pad.buttons[PadLeft] || pad.stick_x < -STICK_DEAD_ZONE;
    c.turn_right = pad.buttons[PadRight] || pad.stick_x > STICK_DEAD_ZONE;
    c.thrust = pad.stick_y < -STICK_DEAD_ZONE || pad.trigger > TRIGGER_PULLED;
    c.fire = pad.buttons[PadSouth];
    c.hook_key = pad.buttons[PadEast] || pad.buttons[PadLeftShoulder] || pad.buttons[PadRightShoulder];
    return c;
}

Controls either(const Controls& a, const Controls& b) {
    Controls c;
    c.turn_left = a.turn_left || b.turn_left;
    c.turn_right = a.turn_right || b.turn_right;
    c.thrust = a.thrust || b.thrust;
    c.fire = a.fire || b.fire;
    c.hook_key = a.hook_key || b.hook_key;
    return c;
}
