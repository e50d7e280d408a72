#pragma once
// The server's two sockets on one port: UDP for the game, TCP for the status
// query. Both are IPv4 on any address, non-blocking and not inherited by
// child processes.
#include <cstddef>
#include <cstdint>

#include "base/endpoint.h"
#include "platform/sockets.h"

struct ServerSockets {
    SocketHandle udp = NO_SOCKET;
    SocketHandle tcp = NO_SOCKET;  // listening
    uint16_t port = 0;             // the real port, also when the system chose it
    bool started = false;          // the system's socket layer is started
};

enum class OpenOutcome : uint8_t {
    Ok,
    PortTaken,  // another program holds the UDP or the TCP port
    Failed,     // anything else; `error_text` names the call and the reason
};

// Binds both sockets to `port`; with port 0 the system picks one that is
// free for both.
OpenOutcome open_server_sockets(uint16_t port, ServerSockets& out, char* error_text, size_t error_capacity);
void close_server_sockets(ServerSockets& s);
