#include "client/chat_input.h"

#include <cstring>

#include "client/session.h"
#include "net/wire.h"

namespace {

bool is_control(uint8_t byte) { return byte < 0x20 || byte == 0x7F; }

bool is_continuation(char byte) { return (static_cast<uint8_t>(byte) & 0xC0) == 0x80; }

bool is_well_formed(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n;) {
        const size_t length = utf8_sequence_length(bytes, n, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

}  // namespace

void start_chat(ChatInput& chat) {
    chat = ChatInput{};
    chat.typing = true;
}

void chat_text_input(ChatInput& chat, std::string_view text) {
    if (!chat.typing) return;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    if (!is_well_formed(bytes, n)) return;
    for (size_t i = 0; i < n;) {
        const size_t length = utf8_sequence_length(bytes, n, i);
        const bool skipped = length == 1 && is_control(bytes[i]);
        if (!skipped) {
            if (chat.length + length > MAX_TEXT) return;
            std::memcpy(chat.text + chat.length, bytes + i, length);
            chat.length = static_cast<uint8_t>(chat.length + length);
        }
        i += length;
    }
}

void erase_last_character(ChatInput& chat) {
    // Its continuation bytes, then its lead byte.
    while (chat.length > 0 && is_continuation(chat.text[chat.length - 1])) --chat.length;
    if (chat.length > 0) --chat.length;
}

void chat_key(Session& s, Key key) {
    ChatInput& chat = s.chat;
    switch (key) {
    case KeyBackspace: erase_last_character(chat); break;
    case KeyEscape: close_chat(chat); break;
    case KeyEnter:
    case KeyPadEnter: submit_chat(s); break;
    default: break;
    }
}
