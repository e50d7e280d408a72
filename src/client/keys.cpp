#include "client/keys.h"

namespace {

// Scancodes in the platform's numbering (USB HID usage ids).
constexpr int SCANCODE_DIGIT1 = 30;  // .. 36 for 7
constexpr int SCANCODE_PAD1 = 89;    // .. 95 for 7
constexpr int DIGITS = 7;

}  // namespace

std::optional<Key> map_key(int scancode) {
    switch (scancode) {
    case 80: return KeyLeft;
    case 79: return KeyRight;
    case 82: return KeyUp;
    case 81: return KeyDown;
    case 40: return KeyEnter;
    case 88: return KeyPadEnter;
    case 41: return KeyEscape;
    case 43: return KeyTab;
    case 23: return KeyChat;
    case 42: return KeyBackspace;
    case 76: return KeyDelete;
    default: break;
    }
    if (scancode >= SCANCODE_DIGIT1 && scancode < SCANCODE_DIGIT1 + DIGITS) {
        return static_cast<Key>(KeyDigit1 + (scancode - SCANCODE_DIGIT1));
    }
    if (scancode >= SCANCODE_PAD1 && scancode < SCANCODE_PAD1 + DIGITS) {
        return static_cast<Key>(KeyPad1 + (scancode - SCANCODE_PAD1));
    }
    return std::nullopt;
}

uint8_t digit_of(Key key) {
    if (key >= KeyDigit1 && key <= KeyDigit7) return static_cast<uint8_t>(key - KeyDigit1 + 1);
    if (key >= KeyPad1 && key <= KeyPad7) return static_cast<uint8_t>(key - KeyPad1 + 1);
    return 0;
}
