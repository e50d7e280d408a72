#include "server/stream_20.h"

#include "net/snapshot.h"
#include "server/session_send.h"

void send_snapshot(ServerSession& s, const PlayerSlot& slot) {
    const uint32_t tick = static_cast<uint32_t>(s.tick);
    queue_datagram(s, slot.address, slot.protocol,
                   [&](WireWriter& w) { encode_snapshot(w, s.world, tick, slot.last_applied); });
}
