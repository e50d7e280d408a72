#pragma once
// The one rule for text that strangers write and others read: a server's
// name (what the registry lists and the game shows) and, written out instead
// of refused, a chat line in the operator's log.
//
// A text is acceptable when it is well-formed UTF-8 and holds none of what a
// terminal or a text renderer acts on instead of showing it:
//   C0 controls and DEL            U+0000..U+001F, U+007F
//   C1 controls                    U+0080..U+009F
//   bidirectional controls         U+061C, U+200E, U+200F, U+202A..U+202E,
//                                  U+2066..U+2069
//   line and paragraph separators  U+2028, U+2029
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/log.h"

bool is_acceptable_text(std::string_view text);

// Whether the code point is one of those the rule refuses.
bool is_refused_code_point(uint32_t code);

// The length of the well-formed UTF-8 sequence at the start of `text` and
// its code point in `code`; 0 when there is none (empty, or not UTF-8).
size_t decode_utf8(std::string_view text, uint32_t& code);

// Appends `text` to a log line with everything the rule refuses written out,
// so that it can neither move the cursor, change colours or the title, nor
// reorder the rest of the line:
//   C0 controls and DEL        \x1b, \x7f          (two lowercase hex digits)
//   the other refused points   \u009b, \u202e ...  (four lowercase hex digits)
//   the backslash itself       \\                  (so an escape is never ambiguous)
//   bytes that are not UTF-8   \xNN
// Everything else is copied as it is.
void append_escaped_text(LogText& line, std::string_view text);
