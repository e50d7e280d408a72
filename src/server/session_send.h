#pragma once
// How the session puts a datagram on its way, and how its log names an address.
#include <span>

#include "base/log.h"
#include "net/wire.h"
#include "server/session_state.h"

// Builds one datagram in place at the back of the queue; a full queue drops
// it before anything is encoded. A host with a direct sender gets it at once.
// The datagram is written in protocol `version`.
template <typename Encode>
void queue_datagram(ServerSession& s, Endpoint to, uint8_t version, Encode encode) {
    if (s.send_now) {
        WireWriter w(std::span<uint8_t, MAX_DATAGRAM>(s.send_buffer, MAX_DATAGRAM), version);
        encode(w);
        s.send_now(s.send_context, s.send_buffer, w.length, to);
        return;
    }
    OutgoingDatagram* d = reserve_outgoing(s.outgoing);
    if (!d) return;
    WireWriter w(std::span<uint8_t, MAX_DATAGRAM>(d->bytes, MAX_DATAGRAM), version);
    encode(w);
    commit_outgoing(s.outgoing, to, w.length);
}

// "a.b.c.d:port"
void append_address(LogText& line, Endpoint e);
