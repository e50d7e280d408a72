#pragma once
// One line per event on standard error: "<level>: <message>\n". On a colour
// terminal the level word is bold and coloured and ": " is dim.
// Used by the client and the servers alike, so it depends on nothing but the
// C library.
#include <cstddef>
#include <string_view>

#include "base/fixed_text.h"

enum class LogLevel { Info, Warning, Error };

// The one logging function: writes one whole line to standard error.
void log_line(LogLevel level, std::string_view message);

// printf-style convenience: formats into a stack buffer (longer messages are
// cut) and hands the result to log_line. Allocates nothing.
void log_format(LogLevel level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Builds one log line into `out` (capacity `capacity`, at least 64 bytes):
// the optional colour codes, the level word, ": ", the message (cut to fit)
// and the newline. Returns the number of bytes written. Exposed for tests.
size_t format_log_line(char* out, size_t capacity, LogLevel level, std::string_view message, bool colour);

// Whether standard error is a terminal that understands colour codes:
// a terminal whose TERM is set and not "dumb", and NO_COLOR unset or empty.
bool stderr_wants_colour();

// Log messages are built in a fixed text without allocating.
using LogText = FixedText<480>;

inline void log_line(LogLevel level, const LogText& text) { log_line(level, text.view()); }
