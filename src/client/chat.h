#pragma once
// The chat line the player types; the session sends it (submit_chat).
// Typing itself (the text input events and the keys) belongs to the interface.
#include <cstdint>

#include "net/wire.h"

struct ChatInput {
    bool typing = false;
    char text[MAX_TEXT] = {};
    uint8_t length = 0;
};

constexpr const char* CHAT_REFUSAL = "Can't send that yet, try again in a moment";

// Clears the text and the typing flag. True when the input was open.
bool close_chat(ChatInput& chat);
