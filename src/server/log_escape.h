#pragma once
// Texts that players wrote, made safe for the operator's terminal before
// they go into a log line. What players see is not touched.
#include <string_view>

#include "base/log.h"

// Appends `text` with everything a terminal or a log viewer would act on
// written out as an escape, so a chat line can neither move the cursor,
// change colours or the title, nor reorder the rest of the line:
//   C0 controls and DEL       \x1b, \x7f        (two lowercase hex digits)
//   C1 controls U+0080..009F  \u009b            (four lowercase hex digits)
//   bidirectional controls    \u202e, \u2066 ... (U+061C, U+200E, U+200F,
//                             U+202A..U+202E, U+2066..U+2069)
//   line and paragraph        \u2028, \u2029
//   separators
//   the backslash itself      \\                (so an escape is never
//                                                ambiguous)
//   bytes that are not UTF-8  \xNN
// Everything else is copied as it is.
void append_player_text(LogText& line, std::string_view text);
