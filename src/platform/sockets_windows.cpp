#include "platform/sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <mswsock.h>
#include <timeapi.h>

#include <cstdio>
#include <cstring>

namespace {

SOCKET sock_of(SocketHandle s) { return static_cast<SOCKET>(s); }
SocketHandle handle_of(SOCKET s) { return s == INVALID_SOCKET ? NO_SOCKET : static_cast<SocketHandle>(s); }

sockaddr_in to_sockaddr(Endpoint e) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(e.port);
    a.sin_addr.s_addr = htonl(e.address);
    return a;
}

Endpoint from_sockaddr(const sockaddr_in& a) { return {ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)}; }

long result_of(int n) {
    if (n != SOCKET_ERROR) return n;
    return WSAGetLastError() == WSAEWOULDBLOCK ? SOCKET_WOULD_BLOCK : SOCKET_ERROR_RESULT;
}

int clamp_length(size_t length) { return length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length); }

}  // namespace

// A wait's timeout runs on the system timer, 15.6 ms a step unless a program
// asks for finer: the dedicated server's 60 ticks a second would go out in
// pairs. One millisecond is asked for while the sockets are in use.
bool start_sockets() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    timeBeginPeriod(1);
    return true;
}

void stop_sockets() {
    timeEndPeriod(1);
    WSACleanup();
}

SocketHandle open_socket(SocketKind kind) {
    const int type = kind == SocketKind::Udp ? SOCK_DGRAM : SOCK_STREAM;
    const int protocol = kind == SocketKind::Udp ? IPPROTO_UDP : IPPROTO_TCP;
    // WSA_FLAG_NO_HANDLE_INHERIT: child processes never get it.
    const SOCKET s = WSASocketW(AF_INET, type, protocol, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (s != INVALID_SOCKET && kind == SocketKind::Udp) {
        // Without this a datagram that bounced off a closed port turns the
        // next receive into an error, as if the socket itself had failed.
        BOOL report = FALSE;
        DWORD returned = 0;
        WSAIoctl(s, SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned, nullptr, nullptr);
    }
    return handle_of(s);
}

void close_socket(SocketHandle& s) {
    if (s != NO_SOCKET) closesocket(sock_of(s));
    s = NO_SOCKET;
}

bool set_blocking(SocketHandle s, bool blocking) {
    u_long non_blocking = blocking ? 0 : 1;
    return ioctlsocket(sock_of(s), FIONBIO, &non_blocking) == 0;
}

bool bind_socket(SocketHandle s, Endpoint local) {
    const sockaddr_in a = to_sockaddr(local);
    return bind(sock_of(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool listen_socket(SocketHandle s, int backlog) { return listen(sock_of(s), backlog) == 0; }

bool allow_quick_rebind(SocketHandle s) {
    // Windows binds a listener beside lingering old connections anyway; its
    // SO_REUSEADDR would let another program take the port, so the port is
    // claimed exclusively instead.
    const BOOL yes = TRUE;
    return setsockopt(sock_of(s), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes) == 0;
}

Endpoint local_endpoint(SocketHandle s) {
    sockaddr_in a{};
    int size = sizeof a;
    if (getsockname(sock_of(s), reinterpret_cast<sockaddr*>(&a), &size) != 0) return {};
    return from_sockaddr(a);
}

SocketHandle accept_connection(SocketHandle listener, Endpoint& peer) {
    for (;;) {
        sockaddr_in a{};
        int size = sizeof a;
        const SOCKET c = accept(sock_of(listener), reinterpret_cast<sockaddr*>(&a), &size);
        if (c == INVALID_SOCKET) {
            if (WSAGetLastError() == WSAECONNRESET) continue;  // gone before it was taken
            return NO_SOCKET;
        }
        SocketHandle handle = handle_of(c);
        // An accepted socket inherits the listener's mode; make sure.
        if (!set_blocking(handle, false)) {
            close_socket(handle);
            continue;
        }
        peer = from_sockaddr(a);
        return handle;
    }
}

ConnectStart start_connect(SocketHandle s, Endpoint to) {
    const sockaddr_in a = to_sockaddr(to);
    if (connect(sock_of(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return ConnectStart::Connected;
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS ? ConnectStart::Pending : ConnectStart::Failed;
}

bool connect_succeeded(SocketHandle s) {
    int pending = 0;
    int size = sizeof pending;
    return getsockopt(sock_of(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&pending), &size) == 0 && pending == 0;
}

long send_datagram_to(SocketHandle s, const uint8_t* bytes, size_t length, Endpoint to) {
    const sockaddr_in a = to_sockaddr(to);
    return result_of(sendto(sock_of(s), reinterpret_cast<const char*>(bytes), clamp_length(length), 0,
                            reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

long receive_datagram_from(SocketHandle s, uint8_t* buffer, size_t capacity, Endpoint& from) {
    sockaddr_in a{};
    int size = sizeof a;
    const int n = recvfrom(sock_of(s), reinterpret_cast<char*>(buffer), clamp_length(capacity), 0,
                           reinterpret_cast<sockaddr*>(&a), &size);
    if (n != SOCKET_ERROR && (size < static_cast<int>(sizeof a) || a.sin_family != AF_INET)) return SOCKET_ERROR_RESULT;
    if (n != SOCKET_ERROR) from = from_sockaddr(a);
    return result_of(n);
}

long send_bytes(SocketHandle s, const void* bytes, size_t length) {
    return result_of(send(sock_of(s), static_cast<const char*>(bytes), clamp_length(length), 0));
}

long receive_bytes(SocketHandle s, void* buffer, size_t capacity) {
    return result_of(recv(sock_of(s), static_cast<char*>(buffer), clamp_length(capacity), 0));
}

int wait_sockets(SocketWait* waits, size_t count, int64_t timeout_ns) {
    // select, not WSAPoll: older Windows versions never report a failed
    // connection to WSAPoll. Winsock's sets are lists, not bitmaps, so any
    // socket value fits.
    fd_set reads, writes, errors;
    FD_ZERO(&reads);
    FD_ZERO(&writes);
    FD_ZERO(&errors);
    if (count > FD_SETSIZE) count = FD_SETSIZE;
    for (size_t i = 0; i < count; ++i) {
        const SOCKET s = sock_of(waits[i].socket);
        if (waits[i].wanted & SOCKET_READABLE) FD_SET(s, &reads);
        if (waits[i].wanted & SOCKET_WRITABLE) FD_SET(s, &writes);
        FD_SET(s, &errors);
        waits[i].ready = 0;
    }
    if (timeout_ns < 0) timeout_ns = 0;
    // Rounded up, so that a wait for a due time never ends just before it.
    const int64_t us = (timeout_ns + 999) / 1000;
    timeval timeout{static_cast<long>(us / 1'000'000), static_cast<long>(us % 1'000'000)};
    const int n = select(0, &reads, &writes, &errors, &timeout);
    if (n == SOCKET_ERROR) return -1;
    int ready = 0;
    for (size_t i = 0; i < count; ++i) {
        const SOCKET s = sock_of(waits[i].socket);
        waits[i].ready = static_cast<uint8_t>((FD_ISSET(s, &reads) ? SOCKET_READABLE : 0) |
                                              (FD_ISSET(s, &writes) ? SOCKET_WRITABLE : 0) |
                                              (FD_ISSET(s, &errors) ? SOCKET_FAILED : 0));
        ready += waits[i].ready != 0;
    }
    return ready;
}

int last_socket_error() { return WSAGetLastError(); }
bool is_address_in_use(int error) { return error == WSAEADDRINUSE || error == WSAEACCES; }

void socket_error_text(int error, char* out, size_t capacity) {
    char text[256];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(error), 0, text, sizeof text, nullptr);
    // The system's texts end in a full stop and a line break.
    DWORD end = n;
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r' || text[end - 1] == '.')) --end;
    if (end == 0) {
        std::snprintf(out, capacity, "Winsock error %d", error);
        return;
    }
    std::snprintf(out, capacity, "%.*s", static_cast<int>(end), text);
}

const char* resolve_ipv4(const char* host, uint32_t& address) {
    if (!start_sockets()) return "NetworkSubsystemFailed";
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host, nullptr, &hints, &found);
    const char* error = nullptr;
    switch (rc) {
    case 0: error = "UnknownHostName"; break;
    case WSAHOST_NOT_FOUND:
    case WSANO_DATA: error = "UnknownHostName"; break;
    case WSATRY_AGAIN: error = "TemporaryNameServerFailure"; break;
    case WSA_NOT_ENOUGH_MEMORY: error = "OutOfMemory"; break;
    default: error = "NameServerFailure"; break;
    }
    for (addrinfo* a = rc == 0 ? found : nullptr; a; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
        sockaddr_in ipv4;
        std::memcpy(&ipv4, a->ai_addr, sizeof ipv4);
        address = ntohl(ipv4.sin_addr.s_addr);
        error = nullptr;
        break;
    }
    if (rc == 0) freeaddrinfo(found);
    stop_sockets();
    return error;
}
