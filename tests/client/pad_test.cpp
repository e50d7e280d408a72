// What a gamepad's buttons, stick and trigger mean, without a pad or a window.
#include "client/pad.h"

#include <gtest/gtest.h>

namespace {

constexpr int NONE = -1;

TEST(Pad, ButtonsAreKeysWhereTheyNavigate) {
    using P = PadPlace;
    const struct {
        PadButton button;
        int menus, flying, overlay;  // the Key, or NONE
    } cases[] = {
        {PadUp, KeyUp, NONE, KeyUp},
        {PadDown, KeyDown, NONE, KeyDown},
        {PadLeft, KeyLeft, NONE, KeyLeft},
        {PadRight, KeyRight, NONE, KeyRight},
        {PadSouth, KeyEnter, NONE, KeyEnter},         // fires while flying
        {PadEast, KeyEscape, NONE, KeyEscape},        // the hook while flying
        {PadBack, KeyEscape, KeyEscape, KeyEscape},   // the leave dialog while flying
        {PadStart, KeyEnter, KeyEnter, KeyEscape},    // the shop while flying; closes an overlay
        {PadWest, NONE, NONE, NONE},
        {PadNorth, NONE, NONE, NONE},
        {PadLeftShoulder, NONE, NONE, NONE},
        {PadRightShoulder, NONE, NONE, NONE},
    };
    for (const auto& c : cases) {
        const int expected[3] = {c.menus, c.flying, c.overlay};
        const P places[3] = {P::Menus, P::Flying, P::Overlay};
        for (int i = 0; i < 3; ++i) {
            const std::optional<Key> key = pad_key(c.button, places[i]);
            EXPECT_EQ(key ? static_cast<int>(*key) : NONE, expected[i]) << int(c.button) << " in place " << i;
        }
    }
}

TEST(Pad, ThePlaceFollowsTheScreenAndItsOverlays) {
    Interface ui;
    EXPECT_EQ(pad_place(ui, false), PadPlace::Menus);
    ui.screen = Screen::Playing;
    EXPECT_EQ(pad_place(ui, false), PadPlace::Flying);
    EXPECT_EQ(pad_place(ui, true), PadPlace::Overlay);  // typing a chat line
    ui.shop.open = true;
    EXPECT_EQ(pad_place(ui, false), PadPlace::Overlay);
    ui.shop.open = false;
    ui.leave_dialog.open = true;
    EXPECT_EQ(pad_place(ui, false), PadPlace::Overlay);
    ui.screen = Screen::Settings;
    EXPECT_EQ(pad_place(ui, false), PadPlace::Menus);
}

PadState with(std::initializer_list<PadButton> buttons, float x = 0, float y = 0, float trigger = 0) {
    PadState p;
    for (PadButton b : buttons) p.buttons[b] = true;
    p.stick_x = x;
    p.stick_y = y;
    p.trigger = trigger;
    return p;
}

TEST(Pad, SticksTriggerAndButtonsHoldTheFlightControls) {
    const struct {
        const char* what;
        PadState pad;
        Controls expected;  // turn left, turn right, thrust, fire, hook
    } cases[] = {
        {"nothing held", with({}), {}},
        {"stick resting off-centre", with({}, 0.39f, -0.39f, 0.24f), {}},
        {"stick left", with({}, -0.41f), {true, false, false, false, false}},
        {"stick right and up", with({}, 1, -1), {false, true, true, false, false}},
        {"stick down does not reverse", with({}, 0, 1), {}},
        {"d-pad left and right", with({PadLeft, PadRight}), {true, true, false, false, false}},
        {"right trigger thrusts", with({}, 0, 0, 0.26f), {false, false, true, false, false}},
        {"south fires", with({PadSouth}), {false, false, false, true, false}},
        {"east hooks", with({PadEast}), {false, false, false, false, true}},
        {"either shoulder hooks", with({PadLeftShoulder}), {false, false, false, false, true}},
        {"", with({PadRightShoulder}), {false, false, false, false, true}},
        {"the d-pad's up and the menu buttons hold nothing", with({PadUp, PadDown, PadStart, PadBack, PadWest, PadNorth}), {}},
    };
    for (const auto& c : cases) {
        const Controls got = controls_from_pad(c.pad);
        EXPECT_EQ(got.turn_left, c.expected.turn_left) << c.what;
        EXPECT_EQ(got.turn_right, c.expected.turn_right) << c.what;
        EXPECT_EQ(got.thrust, c.expected.thrust) << c.what;
        EXPECT_EQ(got.fire, c.expected.fire) << c.what;
        EXPECT_EQ(got.hook_key, c.expected.hook_key) << c.what;
    }
}

TEST(Pad, KeysAndPadHoldTogether) {
    const Controls keys = {true, false, true, false, false};
    const Controls pad = {false, false, true, true, false};
    const Controls both = either(keys, pad);
    EXPECT_TRUE(both.turn_left);
    EXPECT_FALSE(both.turn_right);
    EXPECT_TRUE(both.thrust);
    EXPECT_TRUE(both.fire);
    EXPECT_FALSE(both.hook_key);
}

}  // namespace
