#include "client/server_link.h"

#include <cstring>
#include <span>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "net/messages.h"
#include "server/server_session.h"

namespace {

#ifdef _WIN32
using AddressLength = int;
bool start_sockets() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
void stop_sockets() { WSACleanup(); }
void close_socket(SocketHandle s) { closesocket(static_cast<SOCKET>(s)); }
bool socket_failed(SocketHandle s) { return s == static_cast<SocketHandle>(INVALID_SOCKET); }
bool selectable(SocketHandle) { return true; }
#else
using AddressLength = socklen_t;
bool start_sockets() { return true; }
void stop_sockets() {}
void close_socket(SocketHandle s) { ::close(s); }
bool socket_failed(SocketHandle s) { return s < 0; }
// select() can only watch descriptors below FD_SETSIZE.
bool selectable(SocketHandle s) { return s < FD_SETSIZE; }
#endif

sockaddr_in to_sockaddr(Endpoint e) {
    sockaddr_in a;
    std::memset(&a, 0, sizeof a);
    a.sin_family = AF_INET;
    a.sin_port = htons(e.port);
    a.sin_addr.s_addr = htonl(e.address);
    return a;
}

// Whether a datagram can be read without waiting.
bool readable(SocketHandle s) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval zero{};
    return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &zero) > 0 && FD_ISSET(s, &set);
}

void collect_online(ServerLink& link, DatagramHandler handler, void* context) {
    while (readable(link.socket)) {
        sockaddr_in from;
        AddressLength from_length = sizeof from;
        const auto received = recvfrom(link.socket, reinterpret_cast<char*>(link.receive_buffer),
                                       static_cast<int>(MAX_DATAGRAM), 0, reinterpret_cast<sockaddr*>(&from),
                                       &from_length);
        if (received < 0) return;
        const bool from_server = from_length >= static_cast<AddressLength>(sizeof from) &&
                                 from.sin_family == AF_INET && ntohl(from.sin_addr.s_addr) == link.server.address &&
                                 ntohs(from.sin_port) == link.server.port;
        if (from_server) handler(context, link.receive_buffer, static_cast<size_t>(received));
    }
}

void collect_in_process(ServerLink& link, DatagramHandler handler, void* context) {
    while (const OutgoingDatagram* d = pop_outgoing(*link.session)) {
        if (d->to == IN_PROCESS_CLIENT) handler(context, d->bytes, d->length);
    }
}

}  // namespace

const char* link_error_name(LinkError e) {
    switch (e) {
    case LinkError::None: return "None";
    case LinkError::NetworkDown: return "NetworkDown";
    }
    return "?";
}

LinkError open_online(ServerLink& link, Endpoint server) {
    if (!start_sockets()) return LinkError::NetworkDown;
    const SocketHandle s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket_failed(s)) {
        stop_sockets();
        return LinkError::NetworkDown;
    }
    sockaddr_in any = to_sockaddr({0, 0});
    any.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!selectable(s) || bind(s, reinterpret_cast<const sockaddr*>(&any), sizeof any) != 0) {
        close_socket(s);
        stop_sockets();
        return LinkError::NetworkDown;
    }
    link.kind = LinkKind::Online;
    link.socket = s;
    link.server = server;
    link.session = nullptr;
    return LinkError::None;
}

void open_in_process(ServerLink& link, ServerSession* session) {
    link.kind = LinkKind::InProcess;
    link.socket = NO_SOCKET;
    link.server = {};
    link.session = session;
}

void send(ServerLink& link, const uint8_t* bytes, size_t length) {
    switch (link.kind) {
    case LinkKind::Online: {
        const sockaddr_in to = to_sockaddr(link.server);
        sendto(link.socket, reinterpret_cast<const char*>(bytes), static_cast<int>(length), 0,
               reinterpret_cast<const sockaddr*>(&to), sizeof to);
        break;
    }
    case LinkKind::InProcess:
        if (link.session) receive(*link.session, bytes, length, IN_PROCESS_CLIENT);
        break;
    case LinkKind::Closed: break;
    }
}

void collect(ServerLink& link, DatagramHandler handler, void* context) {
    if (link.kind == LinkKind::Online) collect_online(link, handler, context);
    if (link.kind == LinkKind::InProcess && link.session) collect_in_process(link, handler, context);
}

void close(ServerLink& link, bool joined) {
    if (link.kind == LinkKind::Online) {
        if (joined) {
            WireWriter w(std::span<uint8_t, MAX_DATAGRAM>(link.receive_buffer, MAX_DATAGRAM));
            encode_leave(w);
            send(link, link.receive_buffer, w.length);
        }
        close_socket(link.socket);
        stop_sockets();
    }
    if (link.kind == LinkKind::InProcess) destroy_session(link.session);
    link = ServerLink{};
}

uint16_t local_port(const ServerLink& link) {
    if (link.kind != LinkKind::Online) return 0;
    sockaddr_in local;
    AddressLength length = sizeof local;
    if (getsockname(link.socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
    return ntohs(local.sin_port);
}
