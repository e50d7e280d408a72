#pragma once
// The chat line the player types, and sending it. Typing itself (the text
// input events and the keys) belongs to the interface.
#include <cstdint>

#include "net/wire.h"

struct Session;

struct ChatInput {
    bool typing = false;
    char text[MAX_TEXT] = {};
    uint8_t length = 0;
};

constexpr const char* CHAT_REFUSAL = "Can't send that yet, try again in a moment";

// Enter in the chat input: an empty line just closes it. A valid line is
// queued (and sent at once when nothing else is waiting) while the session
// is joined with fewer than four lines pending; otherwise the player is told
// to try again. A line that is not valid text is dropped silently. The input
// is closed in every case; the caller stops the platform's text input.
void submit_chat(Session& s);

// Clears the text and the typing flag. True when the input was open.
bool close_chat(ChatInput& chat);
