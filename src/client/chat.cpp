#include "client/chat.h"

bool close_chat(ChatInput& chat) {
    const bool was_open = chat.typing;
    chat = ChatInput{};
    return was_open;
}
