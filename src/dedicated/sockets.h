#pragma once
// The server's two sockets on one port: UDP for the game, TCP for the status
// query. Both are IPv4 on any address, non-blocking and closed on exec.
#include <cstddef>
#include <cstdint>

#include "base/endpoint.h"

struct ServerSockets {
    int udp = -1;
    int tcp = -1;        // listening
    uint16_t port = 0;   // the real port, also when the system chose it
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

// One datagram from the UDP socket without waiting. Returns its length, or
// -1 when nothing is waiting (or on an error).
long receive_datagram(int udp, uint8_t* buffer, size_t capacity, Endpoint& from);

// One datagram to `to`; a full send buffer or any error drops it.
void send_datagram(int udp, const uint8_t* bytes, size_t length, Endpoint to);
