#include "dedicated/status_listener.h"

#include <cstring>
#include <string_view>

namespace {

void close_connection(StatusConnection& c) {
    close_socket(c.socket);
    c = StatusConnection{};
}

// The entry a new connection from `address` may take: null when the address
// already holds its share. With every entry taken, the one that has waited
// longest is closed for it.
StatusConnection* entry_for(StatusListener& l, uint32_t address) {
    StatusConnection* free_entry = nullptr;
    StatusConnection* oldest = nullptr;
    int from_address = 0;
    for (StatusConnection& c : l.connections) {
        if (c.socket == NO_SOCKET) {
            if (!free_entry) free_entry = &c;
            continue;
        }
        if (c.address == address) ++from_address;
        if (!oldest || c.deadline_ns < oldest->deadline_ns) oldest = &c;
    }
    if (from_address >= STATUS_CONNECTIONS_PER_ADDRESS) return nullptr;
    if (free_entry) return free_entry;
    close_connection(*oldest);
    return oldest;
}

void accept_waiting(StatusListener& l, int64_t now_ns) {
    for (int i = 0; i < STATUS_ACCEPTS_PER_CALL; ++i) {
        Endpoint peer;
        SocketHandle socket = accept_connection(l.listener, peer);
        if (socket == NO_SOCKET) return;  // nothing waiting, or out of descriptors for now
        const uint32_t address = peer.address;
        StatusConnection* entry = entry_for(l, address);
        if (!entry) {
            close_socket(socket);
            continue;
        }
        entry->socket = socket;
        entry->address = address;
        entry->deadline_ns = now_ns + STATUS_CONNECTION_DEADLINE_NS;
        entry->length = 0;
    }
}

// Reads what has arrived; answers and closes once the line is complete.
void serve_connection(StatusConnection& c, const StatusFacts& facts, int64_t now_ns) {
    for (;;) {
        const size_t room = sizeof c.request - c.length;
        if (room == 0) {  // no line feed in sight
            close_connection(c);
            return;
        }
        const long n = receive_bytes(c.socket, c.request + c.length, room);
        if (n == SOCKET_WOULD_BLOCK) break;
        if (n <= 0) {  // gone, or reset
            close_connection(c);
            return;
        }
        c.length = static_cast<uint8_t>(c.length + n);
        const void* line_feed = std::memchr(c.request, '\n', c.length);
        if (!line_feed) continue;
        const size_t line_length = static_cast<size_t>(static_cast<const char*>(line_feed) - c.request);
        bool compatible = false;
        if (parse_status_request(std::string_view(c.request, line_length), compatible, facts.serves_20)) {
            char reply[STATUS_REPLY_MAX];
            const size_t reply_length = build_status_reply(reply, sizeof reply, facts.players, facts.bots,
                                                          facts.uptime_seconds, compatible, facts.name);
            // A fresh connection's send buffer always has room for one
            // short line; if not, the peer gets nothing.
            send_bytes(c.socket, reply, reply_length);
        }
        close_connection(c);
        return;
    }
    if (now_ns >= c.deadline_ns) close_connection(c);
}

}  // namespace

void serve_status(StatusListener& l, const StatusFacts& facts, int64_t now_ns) {
    if (l.listener != NO_SOCKET) accept_waiting(l, now_ns);
    for (StatusConnection& c : l.connections) {
        if (c.socket != NO_SOCKET) serve_connection(c, facts, now_ns);
    }
}

void close_status_connections(StatusListener& l) {
    for (StatusConnection& c : l.connections) close_connection(c);
}

int open_status_connections(const StatusListener& l) {
    int n = 0;
    for (const StatusConnection& c : l.connections) n += c.socket != NO_SOCKET;
    return n;
}
