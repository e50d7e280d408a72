#pragma once
// The flight controls, read from the keyboard state and the gamepads once per
// frame: the arrows turn and thrust, Space fires, either Shift works the hook
// (a pad's own controls in client/pad.h).
#include "client/controls.h"

struct App;

// What the keyboard and the pads hold now; everything released while the
// shop, the leave dialog or the chat input is open.
Controls sample_controls(const App& app);

// The controls in a keyboard state indexed by scancode (`count` entries).
Controls controls_from_keyboard(const bool* keys, int count);
