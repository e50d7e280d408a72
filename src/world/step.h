#pragma once
// One tick of the game, the same on the server, in the tutorial's in-process
// server and in every client's prediction.
#include "world/world.h"

// Advances the world by one tick of 1/120 s. The caller has written each
// present player's controls into its plane; the step clears `buy_item`.
void step_world(World& w);
