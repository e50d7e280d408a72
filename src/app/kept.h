#pragma once
// What the game keeps between runs: the settings and the servers the player
// added, read at start-up and written again whenever they change. Files
// that can't be read, or that the game did not write as they are, are left
// alone (after one warning) until the player changes what they hold.
#include "client/kept_settings.h"
#include "platform/kept_files.h"

struct App;

struct KeptState {
    char folder[MAX_KEPT_PATH] = {};  // empty: nowhere to keep anything
    KeptSettings saved_settings;      // as last read or written
    bool servers_changed = false;     // the added servers differ from the file
};

// Reads both files into the App (after the server list has its fixed entries).
void load_kept(App& app);

// Writes the files whose contents changed. Once per frame.
void save_kept(App& app);
