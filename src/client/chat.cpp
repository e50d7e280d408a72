#include "client/chat.h"

#include <string_view>

#include "client/session.h"

bool close_chat(ChatInput& chat) {
    const bool was_open = chat.typing;
    chat = ChatInput{};
    return was_open;
}

void submit_chat(Session& s) {
    const std::string_view text(s.chat.text, s.chat.length);
    if (!text.empty()) {
        const bool valid = is_valid_text(text);
        ClientSession& c = s.client;
        const bool can_send = s.active && c.state == ConnectionState::Joined && c.pending_count < CHAT_PENDING;
        if (can_send && valid) queue_chat_line(c, s.link, text);
        if (!can_send && valid) notify(s.notifications, REFUSAL_COLOUR, {CHAT_REFUSAL});
    }
    close_chat(s.chat);
}
