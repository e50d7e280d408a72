#pragma once
// Starting a game from the interface: the session starts (src/client), then
// the interface shows it. session_frame and leave_session for the App are
// declared with the shell's other hooks (app/client_hooks.h).
struct App;
struct ServerEntry;

// Online against the server of `entry`; on a refusal the screen stays where
// it is and the reason is in the notifications.
void start_online_session(App& app, const ServerEntry& entry);

// The tutorial against its in-process server.
void start_tutorial(App& app);

// A practice game against bots of the settings' skill, on a new random map
// each time, against an in-process server.
void start_practice(App& app);
