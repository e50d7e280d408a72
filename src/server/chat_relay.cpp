#include "server/chat_relay.h"

#include <algorithm>
#include <cstring>

#include "server/input_ring.h"
#include "server/log_escape.h"
#include "server/session_send.h"

namespace {

void queue_relay(ServerSession& s, const PlayerSlot& to, const PlayerSlot& from, uint8_t sender) {
    const std::string_view text(from.last_chat_text, from.last_chat_length);
    queue_datagram(s, to.address, to.protocol, [&](WireWriter& w) {
        encode_chat_relay(w, from.last_chat_serial, sender, from.last_chat_sequence, text);
    });
}

}  // namespace

void handle_chat(ServerSession& s, uint8_t index, const ChatSend& chat) {
    PlayerSlot& from = s.slots[index];
    // While a restart is open the line may belong to either numbering; the
    // client repeats it every quarter second, by when the batch has told.
    if (restart_pending(from, s.tick)) return;
    if (from.chat_restart_open) {
        // The client started over: its first line is numbered 1, and any
        // other number is a late line of the old numbering.
        if (chat.sequence != 1) return;
        from.last_chat_sequence = 0;
        from.last_chat_serial = 0;
        from.last_chat_length = 0;
    }
    if (chat.sequence > from.last_chat_sequence) {
        from.chat_restart_open = false;
        from.last_chat_sequence = chat.sequence;
        from.last_chat_serial = ++s.chat_serial;
        from.last_chat_length = static_cast<uint8_t>(std::min(chat.text.size(), MAX_TEXT));
        std::memcpy(from.last_chat_text, chat.text.data(), from.last_chat_length);

        LogText line;
        line << "player " << index + 1 << ": ";
        append_player_text(line, std::string_view(from.last_chat_text, from.last_chat_length));
        s.log_sink(LogLevel::Info, line.view());
        // Every client gets the line twice; they drop the copy by its serial.
        for (int pass = 0; pass < 2; ++pass) {
            for (const PlayerSlot& to : s.slots) {
                if (to.in_use && to.sent_input) queue_relay(s, to, from, index);
            }
        }
    } else if (chat.sequence == from.last_chat_sequence && from.last_chat_serial != 0 && from.sent_input) {
        // The sender missed the relay: once more, to the sender only.
        queue_relay(s, from, from, index);
    }
}
