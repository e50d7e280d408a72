#include "server/log_escape.h"

#include "base/text_rule.h"

void append_player_text(LogText& line, std::string_view text) { append_escaped_text(line, text); }
