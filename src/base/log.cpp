#include "base/log.h"

#include <charconv>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/terminal.h"

namespace {

constexpr const char* RESET = "\x1b[0m";
constexpr const char* DIM = "\x1b[2m";

const char* level_word(LogLevel level) {
    switch (level) {
    case LogLevel::Info: return "info";
    case LogLevel::Warning: return "warning";
    case LogLevel::Error: return "error";
    }
    return "info";
}

const char* level_colour(LogLevel level) {
    switch (level) {
    case LogLevel::Info: return "\x1b[1;32m";     // bold green
    case LogLevel::Warning: return "\x1b[1;33m";  // bold yellow
    case LogLevel::Error: return "\x1b[1;31m";    // bold red
    }
    return "";
}

// Appends as much of `s` as fits, keeping `reserve` bytes free at the end.
void append(char* out, size_t capacity, size_t& used, std::string_view s, size_t reserve) {
    if (used + reserve >= capacity) return;
    size_t room = capacity - reserve - used;
    size_t n = s.size() < room ? s.size() : room;
    std::memcpy(out + used, s.data(), n);
    used += n;
}

}  // namespace

size_t format_log_line(char* out, size_t capacity, LogLevel level, std::string_view message, bool colour) {
    size_t used = 0;
    // Everything but the message is short; keep room for the closing codes and
    // the newline so that a cut message still ends the line properly.
    constexpr size_t TAIL = 1;
    if (colour) append(out, capacity, used, level_colour(level), TAIL);
    append(out, capacity, used, level_word(level), TAIL);
    if (colour) {
        append(out, capacity, used, RESET, TAIL);
        append(out, capacity, used, DIM, TAIL);
    }
    append(out, capacity, used, ": ", TAIL);
    if (colour) append(out, capacity, used, RESET, TAIL);
    append(out, capacity, used, message, TAIL);
    if (used < capacity) out[used++] = '\n';
    return used;
}

bool stderr_wants_colour() {
    const char* no_colour = std::getenv("NO_COLOR");
    if (no_colour && no_colour[0] != '\0') return false;
    return stderr_is_colour_terminal();
}

void log_line(LogLevel level, std::string_view message) {
    static const bool colour = stderr_wants_colour();
    // The whole line goes out in one write so that lines from several threads
    // (the server session, status workers) never interleave.
    char line[1024];
    size_t n = format_log_line(line, sizeof line, level, message, colour);
    std::fwrite(line, 1, n, stderr);
    std::fflush(stderr);
}

void log_format(LogLevel level, const char* format, ...) {
    char message[768];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (n < 0) n = 0;
    size_t length = static_cast<size_t>(n) < sizeof message ? static_cast<size_t>(n) : sizeof message - 1;
    log_line(level, std::string_view(message, length));
}
