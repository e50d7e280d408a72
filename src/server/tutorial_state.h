#pragma once
// Progress of the tutorial's ten-step script, kept inside the server session.
// All zero at creation and after every restart.
#include <cstdint>

struct TutorialState {
    uint8_t step = 0;  // 0..9
    bool turned_left = false;
    bool turned_right = false;
    bool thrust_used = false;
    uint8_t shots_counted = 0;
    uint8_t stolen_collector = 0;  // index in `objects` of the collector placed at step 3
};
