#pragma once
// Answers status queries on the server's TCP port without ever holding up a
// tick: every socket is non-blocking and waited on with the game's socket,
// each connection gets a short deadline to send its request line, and one
// address holds at most two of the many places (further ones are closed as
// soon as they are accepted). When every place is taken, a newcomer takes
// the place of the connection that has waited longest: a host that keeps
// connections open without asking anything cannot starve honest queries,
// which ask at once.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/status_reply.h"
#include "platform/sockets.h"

constexpr int STATUS_CONNECTIONS_MAX = 128;
constexpr int STATUS_CONNECTIONS_PER_ADDRESS = 2;
constexpr int64_t STATUS_CONNECTION_DEADLINE_NS = 1'000'000'000;
// Connections accepted per call, so that a burst cannot hold up a tick.
constexpr int STATUS_ACCEPTS_PER_CALL = 64;

struct StatusConnection {
    SocketHandle socket = NO_SOCKET;
    uint32_t address = 0;  // the peer's IPv4 address, host byte order
    int64_t deadline_ns = 0;
    uint8_t length = 0;
    char request[STATUS_REQUEST_MAX];
};

struct StatusListener {
    SocketHandle listener = NO_SOCKET;
    StatusConnection connections[STATUS_CONNECTIONS_MAX];
};

// What the reply says about the server right now.
struct StatusFacts {
    unsigned players = 0;  // people
    unsigned bots = 0;
    uint64_t uptime_seconds = 0;
    std::string_view name;  // the server's name; empty for none
    bool serves_20 = false;  // "check 20" is compatible only then
};

// Accepts waiting connections, reads what each has sent, answers the
// complete requests and closes them, and closes the ones past their
// deadline, the ones that sent something else, and the ones that went away.
void serve_status(StatusListener& listener, const StatusFacts& facts, int64_t now_ns);

// Closes every open connection (not the listening socket).
void close_status_connections(StatusListener& listener);

int open_status_connections(const StatusListener& listener);
