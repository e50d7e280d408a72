#include "platform/terminal.h"

#include <windows.h>

// A console shows colour codes once it is asked to process them (Windows 10
// and later); a pipe or a file never does.
bool stderr_is_colour_terminal() {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (err == INVALID_HANDLE_VALUE || !GetConsoleMode(err, &mode)) return false;
    return SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}
