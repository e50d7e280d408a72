#pragma once
// What the interface asks of the shell after a key or a click, and the two
// platform states that follow the interface's: the text input and the
// sound's volume.
#include "client/interface.h"

struct App;

// Starts or ends a session, quits, or applies the volume; then brings the
// platform's text input in line with the chat input.
void carry_out(App& app, Request request);

// The platform's text input is on exactly while the chat input is open (so
// typed text arrives only then). Called after everything that may open or
// close the chat input: keys, clicks, session starts and ends.
void follow_chat_input(App& app);

// The volume setting reaches the sound at once (when there is sound).
void apply_volume(App& app);
