#pragma once
// Typing a chat line: opened with T in the game, it takes the typed text and
// the keys until Enter sends the line or Esc drops it. The shell keeps the
// platform's text input on exactly while the input is open.
#include <string_view>

#include "client/chat.h"
#include "client/keys.h"

struct Session;

// Opens the input with an empty line.
void start_chat(ChatInput& chat);

// Appends the text of one text input event while the input is open. A text
// that is not well-formed UTF-8 as a whole adds nothing; control characters
// (single bytes below 32, and 127) are skipped; appending stops at the first
// character that would not fit in MAX_TEXT bytes, so no character is cut.
void chat_text_input(ChatInput& chat, std::string_view text);

// Removes the last character: all its bytes.
void erase_last_character(ChatInput& chat);

// Backspace removes the last character (all its bytes); Esc closes the
// input; Enter sends the line (submit_chat). Other keys do nothing.
void chat_key(Session& s, Key key);
