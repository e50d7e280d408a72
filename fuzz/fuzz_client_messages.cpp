// Datagrams a client receives: the header check and the four server messages
// (welcome, server full, snapshot, chat relay).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/dispatch.h"

namespace {

uint8_t datagram[MAX_DATAGRAM + HEADER_SIZE];
uint8_t reencoded[MAX_DATAGRAM];
World scratch;

void check(const uint8_t* data, size_t size, const SnapshotGate& gate) {
    ClientMessage m;
    if (!decode_client_message(data, size, PROTOCOL_VERSION, gate, scratch, m)) return;
    if (!is_client_tag(m.tag)) std::abort();
    WireWriter w{reencoded};
    switch (m.tag) {
        case TAG_WELCOME:
            if (!is_slot(m.welcome.slot)) std::abort();
            break;
        case TAG_CHAT_RELAY: {
            const ChatRelay& c = m.chat_relay;
            if (!is_slot(c.sender) && c.sender != CHAT_NO_SENDER) std::abort();
            if (!is_valid_text(c.text) || c.text.size() > MAX_TEXT) std::abort();
            encode_chat_relay(w, c.serial, c.sender, c.sequence, c.text);
            if (w.length > size || std::memcmp(reencoded, data, w.length) != 0) std::abort();
            break;
        }
        case TAG_SNAPSHOT: {
            const World& s = scratch;
            if (!gate.any_tick && !tick_is_newer(m.snapshot.tick, gate.last_tick)) std::abort();
            if (m.snapshot.acknowledged_input >= gate.next_input) std::abort();
            if (s.body_count > MAX_BODIES || s.object_count > MAX_OBJECTS || s.shot_count > MAX_SHOTS) std::abort();
            if (s.event_count != 0) std::abort();
            for (uint64_t i = 0; i < s.object_count; ++i) {
                const uint64_t n = s.objects[i].point_count;
                if (n < 3 || n > MAX_HULL_POINTS) std::abort();
            }
            for (uint64_t i = 0; i < s.shot_count; ++i) {
                if (!is_slot(s.shots[i].owner)) std::abort();
            }
            // Re-encoding what was taken is accepted again and never longer.
            encode_snapshot(w, s, m.snapshot.tick, m.snapshot.acknowledged_input);
            if (w.length > size) std::abort();
            break;
        }
        default: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SnapshotGate open{0, 0xFFFFFFFFu, true};
    check(data, size, open);
    check(data, size, SnapshotGate{0x7FFFFFF0u, 0xFFFFFFFFu});  // ticks across the halfway point
    // Most inputs as a body behind a valid header, the tag picked by byte 0.
    if (size == 0 || size - 1 > MAX_DATAGRAM) return 0;
    static constexpr uint8_t tags[] = {TAG_WELCOME, TAG_SERVER_FULL, TAG_SNAPSHOT, TAG_CHAT_RELAY, TAG_SNAPSHOT,
                                       TAG_INPUT_BATCH};
    datagram[0] = WIRE_MAGIC_0;
    datagram[1] = WIRE_MAGIC_1;
    datagram[2] = PROTOCOL_VERSION;
    datagram[3] = tags[data[0] % sizeof tags];
    std::memcpy(datagram + HEADER_SIZE, data + 1, size - 1);
    check(datagram, HEADER_SIZE + size - 1, open);
    return 0;
}
