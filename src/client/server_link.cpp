#include "client/server_link.h"

#include <cstring>
#include <span>

#include "net/messages.h"
#include "server/server_session.h"

namespace {

// Whether a datagram can be read without waiting.
bool readable(SocketHandle s) {
    SocketWait wait{s, SOCKET_READABLE, 0};
    return wait_sockets(&wait, 1, 0) > 0 && (wait.ready & SOCKET_READABLE) != 0;
}

void collect_online(ServerLink& link, DatagramHandler handler, void* context) {
    while (readable(link.socket)) {
        Endpoint from;
        const long received = receive_datagram_from(link.socket, link.receive_buffer, MAX_DATAGRAM, from);
        if (received < 0) return;
        if (from == link.server) handler(context, link.receive_buffer, static_cast<size_t>(received));
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
    SocketHandle s = open_socket(SocketKind::Udp);
    if (s == NO_SOCKET || !bind_socket(s, Endpoint{})) {
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
    case LinkKind::Online: send_datagram_to(link.socket, bytes, length, link.server); break;
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
    return link.kind == LinkKind::Online ? local_endpoint(link.socket).port : 0;
}
