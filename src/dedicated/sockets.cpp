#include "dedicated/sockets.h"

#include <cstdio>

namespace {

constexpr int LISTEN_BACKLOG = 16;
// With port 0 the UDP port the system picks may be taken for TCP: try again.
constexpr int FREE_PORT_TRIES = 16;

OpenOutcome fail(char* error_text, size_t capacity, const char* call) {
    const int error = last_socket_error();
    char reason[128];
    socket_error_text(error, reason, sizeof reason);
    std::snprintf(error_text, capacity, "%s: %s", call, reason);
    return is_address_in_use(error) ? OpenOutcome::PortTaken : OpenOutcome::Failed;
}

OpenOutcome open_once(uint16_t port, ServerSockets& s, char* error_text, size_t capacity) {
    s.udp = open_socket(SocketKind::Udp);
    if (s.udp == NO_SOCKET) return fail(error_text, capacity, "UDP socket");
    if (!set_blocking(s.udp, false)) return fail(error_text, capacity, "UDP socket");
    if (!bind_socket(s.udp, Endpoint{0, port})) return fail(error_text, capacity, "UDP bind");
    s.port = local_endpoint(s.udp).port;
    if (s.port == 0) return fail(error_text, capacity, "getsockname");

    s.tcp = open_socket(SocketKind::Tcp);
    if (s.tcp == NO_SOCKET || !set_blocking(s.tcp, false)) return fail(error_text, capacity, "TCP socket");
    // A restarted server may take the port back while old status
    // connections linger; it never lets two listeners share it.
    allow_quick_rebind(s.tcp);
    if (!bind_socket(s.tcp, Endpoint{0, s.port})) return fail(error_text, capacity, "TCP bind");
    if (!listen_socket(s.tcp, LISTEN_BACKLOG)) return fail(error_text, capacity, "TCP listen");
    return OpenOutcome::Ok;
}

}  // namespace

OpenOutcome open_server_sockets(uint16_t port, ServerSockets& out, char* error_text, size_t error_capacity) {
    if (!start_sockets()) {
        std::snprintf(error_text, error_capacity, "the system's socket layer did not start");
        return OpenOutcome::Failed;
    }
    OpenOutcome outcome = OpenOutcome::Failed;
    for (int attempt = 0; attempt < (port == 0 ? FREE_PORT_TRIES : 1); ++attempt) {
        ServerSockets s;
        s.started = true;
        outcome = open_once(port, s, error_text, error_capacity);
        if (outcome == OpenOutcome::Ok) {
            out = s;
            return outcome;
        }
        s.started = false;  // still needed by the next attempt
        close_server_sockets(s);
        if (outcome != OpenOutcome::PortTaken) break;
    }
    stop_sockets();
    return outcome;
}

void close_server_sockets(ServerSockets& s) {
    close_socket(s.udp);
    close_socket(s.tcp);
    if (s.started) stop_sockets();
    s.started = false;
}
