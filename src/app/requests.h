#pragma once
// What the interface asks of the shell after a key or a click, and the
// sound's volume that follows the setting.
#include "client/interface.h"

struct App;

// Starts or ends a session, quits, or applies the volume; then brings the
// platform's text input in line with the chat input.
void carry_out(App& app, Request request);

// The volume setting reaches the sound at once (when there is sound).
void apply_volume(App& app);
