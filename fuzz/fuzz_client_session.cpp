// A joined client fed whatever a server might send: the datagram is taken or
// dropped, a taken snapshot is adopted with its inputs replayed, then the
// client ticks, announces and keeps its HUD on that world. Nothing of it may
// crash or read outside its arrays.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "client/announce.h"
#include "client/session.h"

namespace {

uint8_t datagram[MAX_DATAGRAM + HEADER_SIZE];
Session session;

void prepare(Session& s, uint8_t own_slot) {
    reset_client_session(s.client);
    s.active = true;
    s.tutorial = false;
    s.notifications = NotificationList{};
    s.client.state = ConnectionState::Joined;
    s.client.own_slot = own_slot % MAX_PLANES;
    // Twenty inputs made, none acknowledged: a snapshot replays them all.
    s.client.next_input = 21;
    for (uint32_t n = 1; n <= 20; ++n) {
        s.client.history[n] = {n % 3 == 0, n % 4 == 0, n % 2 == 0, n % 5 == 0, n % 7 < 2,
                               static_cast<uint8_t>(n % 8)};
    }
}

void feed(const uint8_t* bytes, size_t size) {
    handle_datagram(session.client, bytes, size);
    adopt_snapshot(session.client);
    Vec2 camera{};
    for (int i = 0; i < 3; ++i) session_tick(session, {true, false, true, true, i == 1}, camera);
    announce(session);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size - 1 > MAX_DATAGRAM) return 0;
    prepare(session, data[0]);
    feed(data, size);
    // Most inputs as a body behind a valid header, the tag picked by byte 0.
    prepare(session, data[0] >> 3);
    static constexpr uint8_t tags[] = {TAG_WELCOME, TAG_SERVER_FULL, TAG_SNAPSHOT, TAG_CHAT_RELAY, TAG_SNAPSHOT};
    datagram[0] = WIRE_MAGIC_0;
    datagram[1] = WIRE_MAGIC_1;
    datagram[2] = PROTOCOL_VERSION;
    datagram[3] = tags[data[0] % sizeof tags];
    std::memcpy(datagram + HEADER_SIZE, data + 1, size - 1);
    feed(datagram, HEADER_SIZE + size - 1);
    return 0;
}
