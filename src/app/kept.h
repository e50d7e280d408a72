#pragma once
// What the game keeps between runs: the settings and the servers the player
// added, read at start-up and written again whenever they change. Files
// that can't be read, or that the game did not write as they are, are left
// alone (after one warning) until the player changes what they hold.
#include "app/kept_state.h"

struct App;

// Reading them at start-up: app/client_hooks.h.

// Writes the files whose contents changed. Once per frame.
void save_kept(App& app);
