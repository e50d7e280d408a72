#pragma once
// What the frame hands to the client's interface and session code: input
// events, the session's frame, and the menu's periodic work. The shell calls
// these; the client subsystem provides them.
#include <SDL3/SDL_events.h>

struct App;

// A key press (with its scancode and repeat flag): keyboard mapping, menus,
// overlays and the chat input.
void on_key_down(App& app, const SDL_KeyboardEvent& key);
// A gamepad button pressed: in the menus and overlays the key it stands for.
void on_pad_button(App& app, const SDL_GamepadButtonEvent& button);
// Text typed while the chat input is open.
void on_text_input(App& app, const char* text);
// A left click at a point in window coordinates.
void on_click(App& app, float x, float y);

// One frame of an active session: datagrams, keyboard, ticks, window title,
// announcements, chat lines and camera.
void session_frame(App& app);
// Ends the current session, if any (a joined online session says goodbye to
// its server; a tutorial frees its in-process server).
void leave_session(App& app);

// Starts a round of status queries for every server in the list.
void start_status_queries(App& app);

// Start-up and shutdown, provided beside the frame's other parts: the kept
// settings and added servers (app/kept.h), the registries (app/internet.h).
struct InternetList;

// Reads the kept files into the App (after the server list has its fixed entries).
void load_kept(App& app);
// Reads SKORVIA_REGISTRY (a bad address is skipped with a warning).
void set_up_internet(InternetList& internet, const char* variable);
// True while a registry round's worker may still run.
bool internet_round_running(const InternetList& internet);
