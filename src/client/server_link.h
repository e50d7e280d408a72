#pragma once
// The client's link to its server: a UDP socket for an online game, or the
// server session hosted in this process for the tutorial. The client session
// uses both the same way: send a datagram, collect what has arrived, close.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "base/endpoint.h"
#include "net/wire.h"
#include "platform/sockets.h"

struct ServerSession;

enum class LinkKind : uint8_t {
    Closed = 0,
    Online = 1,
    InProcess = 2,
};

enum class LinkError : uint8_t {
    None = 0,
    NetworkDown,  // the socket layer, the socket or its binding failed
};

const char* link_error_name(LinkError e);

struct ServerLink {
    LinkKind kind = LinkKind::Closed;
    SocketHandle socket = NO_SOCKET;  // online only
    Endpoint server{};                // online only: where datagrams go and come from
    ServerSession* session = nullptr; // in-process only, owned by the link
    uint8_t receive_buffer[MAX_DATAGRAM];
};

// Closing assigns a fresh value, so no field can be forgotten.
static_assert(std::is_trivially_copyable_v<ServerLink>);

// Called once per collected datagram; the bytes are valid during the call.
using DatagramHandler = void (*)(void* context, const uint8_t* bytes, size_t length);

// Opens an IPv4 UDP socket bound to any local address and a port the system
// picks, for the server at `server`. On failure nothing stays open.
LinkError open_online(ServerLink& link, Endpoint server);

// Takes ownership of an in-process server session.
void open_in_process(ServerLink& link, ServerSession* session);

// Online: one datagram to the server, failures ignored (the protocol repeats
// what matters). In-process: handed to the server at once, from 127.0.0.1:1.
void send(ServerLink& link, const uint8_t* bytes, size_t length);

// Delivers every datagram that has arrived from the server, oldest first.
// Never blocks; datagrams from anyone else are dropped.
void collect(ServerLink& link, DatagramHandler handler, void* context);

// Online: a joined client says goodbye with one Leave, then the socket is
// closed. In-process: the server session is freed. The link is then closed.
void close(ServerLink& link, bool joined);

// The local port of an online link (host byte order), 0 when unknown.
uint16_t local_port(const ServerLink& link);
