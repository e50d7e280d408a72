#pragma once
// The player's changes to the server list: a typed address added, an added
// server removed. Both are kept for the next run.
#include <cstdint>

struct App;

// Adds the text of the servers screen's address input (then closes it), or
// says in a notification why it can't.
void add_typed_server(App& app);

// Removes the added server at list position `position`.
void remove_server(App& app, uint8_t position);
