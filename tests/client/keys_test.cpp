// Which physical keys mean something: the scancode table.
#include "client/keys.h"

#include <gtest/gtest.h>

namespace {

TEST(MapKey, TheTableOfScancodes) {
    const struct {
        int scancode;
        Key key;
    } cases[] = {
        {80, KeyLeft},      {79, KeyRight},     {82, KeyUp},  {81, KeyDown},    {40, KeyEnter},
        {88, KeyPadEnter},  {41, KeyEscape},    {43, KeyTab}, {30, KeyDigit1},  {36, KeyDigit7},
        {89, KeyPad1},      {95, KeyPad7},      {23, KeyChat}, {42, KeyBackspace},
    };
    for (const auto& c : cases) {
        const std::optional<Key> key = map_key(c.scancode);
        ASSERT_TRUE(key.has_value()) << c.scancode;
        EXPECT_EQ(*key, c.key) << c.scancode;
    }
    for (int digit = 1; digit <= 7; ++digit) {
        EXPECT_EQ(map_key(29 + digit), static_cast<Key>(KeyDigit1 + digit - 1));
        EXPECT_EQ(map_key(88 + digit), static_cast<Key>(KeyPad1 + digit - 1));
    }
}

TEST(MapKey, OtherKeysMeanNothing) {
    // A, Z, F1, the main-row 8, 9 and 0, keypad 8, left Shift and Space (read
    // only as held flight controls), and numbers outside any keyboard.
    for (int scancode : {4, 29, 58, 37, 38, 39, 96, 225, 44, 0, -1, 512, 100000}) {
        EXPECT_FALSE(map_key(scancode).has_value()) << scancode;
    }
}

TEST(MapKey, KeypadDigitsAreTheMainRowDigits) {
    EXPECT_EQ(digit_of(*map_key(91)), 3);  // keypad 3
    EXPECT_EQ(digit_of(*map_key(32)), 3);  // main-row 3
    EXPECT_EQ(digit_of(KeyPad7), 7);
    EXPECT_EQ(digit_of(KeyDigit1), 1);
    EXPECT_EQ(digit_of(KeyEnter), 0);
    EXPECT_EQ(digit_of(KeyChat), 0);
}

}  // namespace
