#include "net/status_query.h"

#include <chrono>
#include <cstring>

#include "net/wire.h"
#include "platform/sockets.h"

namespace {

// Holds the socket layer and the socket however the exchange ends.
struct QuerySocket {
    bool started = start_sockets();
    SocketHandle socket = started ? open_socket(SocketKind::Tcp) : NO_SOCKET;
    ~QuerySocket() {
        close_socket(socket);
        if (started) stop_sockets();
    }
};

using Clock = std::chrono::steady_clock;

// Waits until `deadline` for `wanted` on the socket, again after an
// interrupting signal with the time that is left. Returns the ready flags,
// 0 on a timeout, -1 on an error.
int wait_for(SocketHandle s, uint8_t wanted, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - Clock::now()).count();
        if (left <= 0) return 0;
        SocketWait wait{s, wanted, 0};
        const int n = wait_sockets(&wait, 1, left);
        if (n < 0) return -1;
        if (n > 0) return wait.ready;
    }
}

bool connect_within(SocketHandle s, Endpoint server, Clock::time_point deadline) {
    switch (start_connect(s, server)) {
    case ConnectStart::Connected: return true;
    case ConnectStart::Failed: return false;
    case ConnectStart::Pending: break;
    }
    const int ready = wait_for(s, SOCKET_WRITABLE, deadline);
    if (ready <= 0 || (ready & SOCKET_FAILED) != 0) return false;
    return connect_succeeded(s);
}

bool send_all(SocketHandle s, const char* bytes, size_t length, Clock::time_point deadline) {
    while (length > 0) {
        const long n = send_bytes(s, bytes, length);
        if (n == SOCKET_WOULD_BLOCK) {
            if (wait_for(s, SOCKET_WRITABLE, deadline) <= 0) return false;
            continue;
        }
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Reads until a line feed, the peer's close or a full buffer. Returns the
// number of bytes read, or -1 on an error or when the deadline passes.
long read_reply(SocketHandle s, char* buffer, size_t capacity, Clock::time_point deadline) {
    size_t used = 0;
    while (used < capacity) {
        const long n = receive_bytes(s, buffer + used, capacity - used);
        if (n == SOCKET_WOULD_BLOCK) {
            if (wait_for(s, SOCKET_READABLE, deadline) <= 0) return -1;
            continue;
        }
        if (n < 0) return -1;
        if (n == 0) break;
        const bool line_end = std::memchr(buffer + used, '\n', static_cast<size_t>(n)) != nullptr;
        used += static_cast<size_t>(n);
        if (line_end) break;
    }
    return static_cast<long>(used);
}

}  // namespace

bool fetch_status(Endpoint server, StatusReply& reply, int timeout_ms) {
    // One deadline for the whole exchange, however slowly the server drips.
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    QuerySocket query;
    if (query.socket == NO_SOCKET || !set_blocking(query.socket, false)) return false;
    if (!connect_within(query.socket, server, deadline)) return false;

    char request[16];
    const size_t request_length = build_status_request(request, sizeof request, PROTOCOL_VERSION_21);
    if (!send_all(query.socket, request, request_length, deadline)) return false;

    char buffer[STATUS_REPLY_MAX];
    const long received = read_reply(query.socket, buffer, sizeof buffer, deadline);
    if (received < 0) return false;
    return parse_status_reply(std::string_view(buffer, static_cast<size_t>(received)), reply);
}
