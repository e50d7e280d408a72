#include "platform/terminal.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

bool stderr_is_colour_terminal() {
    if (!isatty(2)) return false;
    const char* term = std::getenv("TERM");
    return term && term[0] != '\0' && std::strcmp(term, "dumb") != 0;
}
