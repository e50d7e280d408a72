#pragma once
// Texts that players wrote, made safe for the operator's terminal before
// they go into a log line. What players see is not touched.
#include <string_view>

#include "base/log.h"

// Appends `text` with everything a terminal or a log viewer would act on
// written out as an escape (the text rule's escaping, base/text_rule.h), so
// a chat line can neither move the cursor, change colours or the title, nor
// reorder the rest of the line.
void append_player_text(LogText& line, std::string_view text);
