#pragma once
// The window title follows the state of the game.
#include <cstddef>
#include <initializer_list>
#include <string_view>

struct App;

// Room for a title, including its terminating zero byte.
constexpr size_t TITLE_CAPACITY = 128;

// Joins `parts` into `out`; when the result with its terminating zero byte
// does not fit in TITLE_CAPACITY bytes, the title is plain "skorvia".
void compose_title(char (&out)[TITLE_CAPACITY], std::initializer_list<std::string_view> parts);

// Writes the title for the current state into `out`.
void window_title(const App& app, char (&out)[TITLE_CAPACITY]);

// Sets the window's title; called once per frame.
void update_window_title(App& app);
