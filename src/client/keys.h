#pragma once
// The keys that mean something, by position on the keyboard (the scancode),
// so that the user's keyboard layout does not move them. Every other key is
// ignored.
#include <cstdint>
#include <optional>

enum Key : uint8_t {
    KeyLeft = 0,
    KeyRight = 1,
    KeyUp = 2,
    KeyDown = 3,
    KeyEnter = 4,
    KeyPadEnter = 5,
    KeyEscape = 6,
    KeyTab = 7,
    KeyDigit1 = 8,  // the main row's 1 .. 7
    KeyDigit2 = 9,
    KeyDigit3 = 10,
    KeyDigit4 = 11,
    KeyDigit5 = 12,
    KeyDigit6 = 13,
    KeyDigit7 = 14,
    KeyPad1 = 15,  // the keypad's 1 .. 7
    KeyPad2 = 16,
    KeyPad3 = 17,
    KeyPad4 = 18,
    KeyPad5 = 19,
    KeyPad6 = 20,
    KeyPad7 = 21,
    KeyChat = 22,  // T
    KeyBackspace = 23,
    KeyDelete = 24,
};

// The Key of a scancode (a plain integer, the platform's numbering), or none.
std::optional<Key> map_key(int scancode);

// Return and keypad Enter do the same everywhere.
inline bool is_enter(Key key) { return key == KeyEnter || key == KeyPadEnter; }

// 1..7 for a main-row or keypad digit, 0 for any other key.
uint8_t digit_of(Key key);
