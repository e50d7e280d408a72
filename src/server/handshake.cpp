#include "server/handshake.h"

#include "server/session_send.h"
#include "server/slots.h"
#include "server/stream_21.h"

namespace {

// Address, port and period, in a fixed byte order, are what the cookie signs.
constexpr size_t SIGNED_SIZE = 14;

void send_challenge(ServerSession& s, Endpoint sender) {
    const JoinCookie cookie = address_cookie(s, sender, s.tick / COOKIE_PERIOD);
    queue_datagram(s, sender, PROTOCOL_VERSION_21, [&](WireWriter& w) { encode_challenge(w, cookie); });
}

// A slot holder asks again when it has not heard the Welcome, or when it
// dropped its state after a silent spell and will number from 1 again. Only
// the second kind can come this long after the slot's numbering began; even
// then nothing changes until a batch carrying input 1 follows, so a late or
// repeated request winds nothing back.
void welcome_again(ServerSession& s, Endpoint sender, uint8_t index) {
    PlayerSlot& slot = s.slots[index];
    if (s.tick - slot.numbering_tick >= RESTART_MIN_AGE) {
        slot.restart_open = true;
        slot.rejoin_tick = s.tick;
    }
    // The client may have started over: a v21 client gets a whole world again.
    if (slot.protocol == PROTOCOL_VERSION_21) ask_for_world(slot);
    queue_datagram(s, sender, slot.protocol, [&](WireWriter& w) { encode_welcome(w, index); });
}

int free_slot(ServerSession& s) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (!s.slots[i].in_use) return i;
    }
    // Every slot taken: a bot makes room, people come first.
    return s.make_room ? s.make_room(s) : -1;
}

void grant_slot(ServerSession& s, Endpoint sender, uint8_t version) {
    const int found = free_slot(s);
    if (found < 0) {
        queue_datagram(s, sender, version, [](WireWriter& w) { encode_server_full(w); });
        return;
    }
    const uint8_t index = static_cast<uint8_t>(found);
    PlayerSlot& slot = occupy_slot(s, index);
    slot.address = sender;
    slot.protocol = version;

    LogText line;
    name_player(line, s, index);
    line << " joined from ";
    append_address(line, sender);
    s.log_sink(LogLevel::Info, line.view());
    queue_datagram(s, sender, version, [&](WireWriter& w) { encode_welcome(w, index); });
}

}  // namespace

JoinCookie address_cookie(ServerSession& s, Endpoint sender, uint64_t period) {
    JoinCookie cookie;
    if (!s.cookie_key) return cookie;
    uint8_t text[SIGNED_SIZE];
    for (int i = 0; i < 4; ++i) text[i] = static_cast<uint8_t>(sender.address >> (24 - 8 * i));
    text[4] = static_cast<uint8_t>(sender.port >> 8);
    text[5] = static_cast<uint8_t>(sender.port);
    for (int i = 0; i < 8; ++i) text[6 + i] = static_cast<uint8_t>(period >> (8 * i));
    keyed_hash(*s.cookie_key, text, sizeof text, cookie.bytes);
    return cookie;
}

bool cookie_accepted(ServerSession& s, Endpoint sender, const JoinCookie& cookie) {
    if (!s.cookie_key || is_blank(cookie)) return false;
    const uint64_t period = s.tick / COOKIE_PERIOD;
    if (same_cookie(cookie, address_cookie(s, sender, period))) return true;
    return period > 0 && same_cookie(cookie, address_cookie(s, sender, period - 1));
}

void handle_join(ServerSession& s, Endpoint sender, int held, const ServerMessage& message) {
    if (message.version == PROTOCOL_VERSION_21 && !cookie_accepted(s, sender, message.cookie)) {
        send_challenge(s, sender);
        return;
    }
    if (held >= 0) {
        s.slots[held].last_heard = s.tick;
        welcome_again(s, sender, static_cast<uint8_t>(held));
        return;
    }
    grant_slot(s, sender, message.version);
}
