#pragma once
// What the kept files' code of every system shares (kept_files_posix.cpp,
// kept_files_windows.cpp): joining a folder and a name, and walking a path
// to make each missing folder on the way. The system calls stay per system.
#include <cstddef>

// `folder` + `separator` + `name` into `out`; false when it does not fit.
bool join_kept_path(char* out, size_t capacity, const char* folder, char separator, const char* name);

// Makes every folder of `path` (mkdir -p): `make_one` is called with each
// prefix that ends before one of `separators`, from index `first` on (past
// a root such as "/" or "C:\"), and with the whole path. Returns nullptr, or
// the first failure `make_one` reports ("the path is too long" when the path
// does not fit MAX_KEPT_PATH).
const char* make_kept_folders(const char* path, size_t first, const char* separators,
                              const char* (*make_one)(const char* partial));
