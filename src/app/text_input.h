#pragma once
// The platform's text input is on exactly while the chat input or the
// servers screen's address input is open, so typed text arrives only then.
struct App;

// Starts or stops the platform's text input to match the chat input. Called
// after everything that may open or close it: keys, clicks, session starts
// and ends.
void follow_chat_input(App& app);
