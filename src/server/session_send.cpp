#include "server/session_send.h"

void append_address(LogText& line, Endpoint e) {
    line << static_cast<unsigned>(e.address >> 24) << '.' << static_cast<unsigned>((e.address >> 16) & 0xFF) << '.'
         << static_cast<unsigned>((e.address >> 8) & 0xFF) << '.' << static_cast<unsigned>(e.address & 0xFF) << ':'
         << static_cast<unsigned>(e.port);
}
