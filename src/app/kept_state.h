#pragma once
// Where the settings and the added servers are kept, and what was last
// written there (app/kept.h reads and writes them).
#include "client/kept_settings.h"
#include "platform/kept_files.h"

struct KeptState {
    char folder[MAX_KEPT_PATH] = {};  // empty: nowhere to keep anything
    KeptSettings saved_settings;      // as last read or written
    bool servers_changed = false;     // the added servers differ from the file
};
