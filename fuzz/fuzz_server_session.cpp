// Random datagrams from random senders into a server session that ticks in
// between. Besides the sanitizers' checks it insists that:
//   - only a JoinRequest (of either protocol version) ever takes a slot, and
//     only for its sender; in protocol 21 only one that echoes the cookie
//     of a Challenge sent to that sender;
//   - a sender that never held a slot is sent no more bytes than it sent;
//   - a slot is in use exactly when its plane is;
//   - the input ring's window holds (newest received - last applied <= 64);
//   - everything the session sends is a datagram the client accepts;
//   - snapshots and chat go only to slots that have sent an input, and a
//     slot without one is gone 240 ticks after it joined.
//
// Input layout, repeated: one control byte, then
//   bit 7 set:   run (control & 31) + 1 ticks;
//   bit 7 clear: a datagram from sender (control % 12) of the next byte's
//                length; with bit 6 set a valid header with tag
//                (first byte % 11) and version 21 when the second byte is
//                odd (else 20) replaces the first bytes, and a v21
//                JoinRequest whose second byte has bit 1 set echoes the
//                last cookie the sender was sent.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "net/handshake.h"
#include "net/messages.h"
#include "net/snapshot.h"
#include "net/ticks.h"
#include "net/wire.h"
#include "server/server_session.h"
#include "server/tutorial.h"
#include "world/generate.h"

namespace {

// Names the line of the broken rule before it stops.
void check(bool ok, int line = __builtin_LINE()) {
    if (ok) return;
    std::fprintf(stderr, "fuzz_server_session: check at line %d failed\n", line);
    std::abort();
}

void quiet(LogLevel, std::string_view) {}

constexpr int SENDERS = 12;

// What each sender was sent and sent, and the last cookie it was given.
struct SenderBook {
    bool held_slot = false;
    uint64_t bytes_in = 0;
    uint64_t bytes_out = 0;
    bool has_cookie = false;
    JoinCookie cookie;
};
SenderBook senders[SENDERS];

Endpoint sender_of(uint8_t control) {
    const uint8_t n = control % 12;
    // Several senders share an address with different ports.
    return make_endpoint(10, 0, 0, static_cast<uint8_t>(n / 3), static_cast<uint16_t>(7000 + n % 3));
}

int sender_index(Endpoint e) {
    for (int i = 0; i < SENDERS; ++i) {
        if (sender_of(static_cast<uint8_t>(i)) == e) return i;
    }
    return -1;
}

void check_invariants(const ServerSession& s) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const PlayerSlot& slot = s.slots[i];
        check(slot.in_use == s.world.planes[i].in_use);
        if (!slot.in_use) continue;
        check(slot.newest_received - slot.last_applied <= INPUT_RING);
        check(slot.sent_input || s.tick - slot.joined_tick <= FIRST_INPUT_LIMIT);
        for (int j = i + 1; j < MAX_PLANES; ++j) check(!s.slots[j].in_use || !(s.slots[j].address == slot.address));
    }
    check(s.outgoing.count <= OUTGOING_CAPACITY);
}

// Every datagram the server sends must pass the client's checks.
void check_outgoing(ServerSession& s) {
    static World image;
    while (const OutgoingDatagram* d = pop_outgoing(s)) {
        check(d->length <= MAX_DATAGRAM);
        MessageHeader header;
        check(read_header(d->bytes, d->length, header));
        const bool v21 = header.version == PROTOCOL_VERSION_21;
        check(is_client_tag(header.tag) || (v21 && (header.tag == TAG_TICK_RUN || header.tag == TAG_CHALLENGE)));
        const int who = sender_index(d->to);
        check(who >= 0);
        SenderBook& book = senders[who];
        book.bytes_out += d->length;
        check(book.held_slot || book.bytes_out <= book.bytes_in);
        if (header.tag == TAG_SNAPSHOT || header.tag == TAG_CHAT_RELAY) {
            const int slot = find_slot(s, d->to);
            check(slot >= 0 && s.slots[slot].sent_input);
        }
        WireReader r = make_reader(d->bytes, d->length, HEADER_SIZE);
        switch (header.tag) {
        case TAG_WELCOME: {
            Welcome m;
            check(decode_welcome(r, m) == WireError::None);
            break;
        }
        case TAG_SNAPSHOT: {
            // The gate of a client that has used every input acknowledged.
            uint32_t ack = 0;
            std::memcpy(&ack, d->bytes + 8, sizeof ack);  // little-endian host
            if (ack == 0xFFFFFFFFu) break;                 // no next number to compare with
            SnapshotInfo info;
            check(decode_snapshot(r, SnapshotGate{0, ack + 1}, image, info) == WireError::None);
            break;
        }
        case TAG_CHAT_RELAY: {
            ChatRelay m;
            check(decode_chat_relay(r, m) == WireError::None);
            break;
        }
        case TAG_TICK_RUN: {
            static TickRun run;
            check(decode_tick_run(r, run) == WireError::None);
            break;
        }
        case TAG_CHALLENGE:
            check(decode_challenge(r, book.cookie) == WireError::None && !is_blank(book.cookie));
            book.has_cookie = true;
            break;
        default:
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    ServerSession* s = nullptr;
    if (data[0] & 1) {
        s = create_tutorial_session();
    } else {
        World w;
        generate_world(w);
        s = create_session(w);
    }
    check(s != nullptr);
    s->log_sink = quiet;
    for (SenderBook& b : senders) b = SenderBook{};
    s->accepts_protocol_20 = (data[0] & 2) == 0;

    size_t at = 1;
    uint8_t datagram[MAX_DATAGRAM];
    while (at < size) {
        const uint8_t control = data[at++];
        if (control & 0x80) {
            for (int i = 0; i <= (control & 31); ++i) {
                server_tick(*s);
                check_invariants(*s);
                check_outgoing(*s);
            }
            continue;
        }
        if (at >= size) break;
        size_t length = data[at++];
        if (length > size - at) length = size - at;
        std::memcpy(datagram, data + at, length);
        at += length;
        const Endpoint from = sender_of(control);
        SenderBook& book = senders[control % SENDERS];
        if ((control & 0x40) && length >= 4) {
            const uint8_t tag = datagram[0] % 11;
            const uint8_t version = (datagram[1] & 1) ? PROTOCOL_VERSION_21 : PROTOCOL_VERSION;
            const bool echo = (datagram[1] & 2) && book.has_cookie;
            datagram[0] = WIRE_MAGIC_0;
            datagram[1] = WIRE_MAGIC_1;
            datagram[2] = version;
            datagram[3] = tag;
            if (tag == TAG_JOIN_REQUEST && version == PROTOCOL_VERSION_21 && echo) {
                if (length < HEADER_SIZE + COOKIE_SIZE) length = HEADER_SIZE + COOKIE_SIZE;
                std::memcpy(datagram + HEADER_SIZE, book.cookie.bytes, COOKIE_SIZE);
            }
        }
        book.bytes_in += length;
        bool was_in_use[MAX_PLANES];
        for (int i = 0; i < MAX_PLANES; ++i) was_in_use[i] = s->slots[i].in_use;
        receive(*s, datagram, length, from);
        const bool join = length >= 4 && datagram[0] == WIRE_MAGIC_0 && datagram[1] == WIRE_MAGIC_1 &&
                          is_known_version(datagram[2]) && datagram[3] == TAG_JOIN_REQUEST;
        for (int i = 0; i < MAX_PLANES; ++i) {
            if (was_in_use[i] || !s->slots[i].in_use) continue;
            check(join && s->slots[i].address == from);
            if (datagram[2] == PROTOCOL_VERSION_21) {
                check(book.has_cookie && std::memcmp(datagram + HEADER_SIZE, book.cookie.bytes, COOKIE_SIZE) == 0);
            }
            book.held_slot = true;
        }
        check_invariants(*s);
        check_outgoing(*s);
    }
    destroy_session(s);
    return 0;
}
