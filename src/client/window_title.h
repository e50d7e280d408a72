#pragma once
// The window's title follows the game: the tutorial, the server being joined,
// the player number on it, or a full server.
#include <cstddef>
#include <initializer_list>
#include <string_view>

struct Session;

// Room for a title, including its terminating zero byte.
constexpr size_t TITLE_CAPACITY = 128;

// Joins `parts` into `out`, zero-terminated; when that does not fit in
// TITLE_CAPACITY bytes, the title is plain "skorvia".
void compose_title(char (&out)[TITLE_CAPACITY], std::initializer_list<std::string_view> parts);

// The title for the session's state (no session: "skorvia").
void window_title(const Session& s, char (&out)[TITLE_CAPACITY]);
