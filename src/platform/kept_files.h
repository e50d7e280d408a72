#pragma once
// The files the game keeps between runs, in the desktop's usual place for
// them: $XDG_CONFIG_HOME/skorvia/, else ~/.config/skorvia/ (on Windows
// %APPDATA%\skorvia\). Small and read whole; written atomically: a new file
// is written beside the old one and renamed over it, so a crash or a full
// disk leaves the old file or the new one, never half of one.
#include <cstddef>

// Longest path of a kept file.
constexpr size_t MAX_KEPT_PATH = 1024;
// Largest kept file read: anything bigger is not one the game wrote.
constexpr size_t MAX_KEPT_FILE = 16384;

// The folder, from the environment, into `out`. False (with out empty) when
// the environment names no usable place.
bool kept_folder(char* out, size_t capacity);

enum class ReadOutcome {
    Read,
    Missing,     // no such file: the defaults, and no word about it
    Unreadable,  // `error` says why
};

// Reads `folder`/`name` into `buffer`. A file larger than the buffer is
// Unreadable ("too large").
ReadOutcome read_kept_file(const char* folder, const char* name, char* buffer, size_t capacity, size_t& size,
                           const char*& error);

// Creates the folder if needed and replaces `folder`/`name` by `bytes`.
// Returns nullptr, or the reason it failed (the system's words).
const char* write_kept_file(const char* folder, const char* name, const char* bytes, size_t size);
