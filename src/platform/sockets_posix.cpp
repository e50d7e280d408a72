#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/stop_posix.h"

namespace {

int fd_of(SocketHandle s) { return static_cast<int>(s); }
SocketHandle handle_of(int fd) { return fd < 0 ? NO_SOCKET : static_cast<SocketHandle>(fd); }

sockaddr_in to_sockaddr(Endpoint e) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(e.port);
    a.sin_addr.s_addr = htonl(e.address);
    return a;
}

Endpoint from_sockaddr(const sockaddr_in& a) { return {ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)}; }

long result_of(ssize_t n) {
    if (n >= 0) return static_cast<long>(n);
    return errno == EAGAIN || errno == EWOULDBLOCK ? SOCKET_WOULD_BLOCK : SOCKET_ERROR_RESULT;
}

}  // namespace

bool start_sockets() { return true; }
void stop_sockets() {}

SocketHandle open_socket(SocketKind kind) {
    const int type = kind == SocketKind::Udp ? SOCK_DGRAM : SOCK_STREAM;
    return handle_of(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
}

void close_socket(SocketHandle& s) {
    if (s != NO_SOCKET) ::close(fd_of(s));
    s = NO_SOCKET;
}

bool set_blocking(SocketHandle s, bool blocking) {
    const int flags = ::fcntl(fd_of(s), F_GETFL, 0);
    if (flags < 0) return false;
    return ::fcntl(fd_of(s), F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

bool bind_socket(SocketHandle s, Endpoint local) {
    const sockaddr_in a = to_sockaddr(local);
    return ::bind(fd_of(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0;
}

bool listen_socket(SocketHandle s, int backlog) { return ::listen(fd_of(s), backlog) == 0; }

bool allow_quick_rebind(SocketHandle s) {
    // Here SO_REUSEADDR lets a listener bind while old connections are in
    // TIME_WAIT; it never lets two listeners share the port.
    const int yes = 1;
    return ::setsockopt(fd_of(s), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) == 0;
}

Endpoint local_endpoint(SocketHandle s) {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    if (::getsockname(fd_of(s), reinterpret_cast<sockaddr*>(&a), &size) != 0) return {};
    return from_sockaddr(a);
}

SocketHandle accept_connection(SocketHandle listener, Endpoint& peer) {
    for (;;) {
        sockaddr_in a{};
        socklen_t size = sizeof a;
        const int fd = ::accept4(fd_of(listener), reinterpret_cast<sockaddr*>(&a), &size, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return NO_SOCKET;  // nothing waiting, or out of descriptors for now
        }
        peer = from_sockaddr(a);
        return handle_of(fd);
    }
}

ConnectStart start_connect(SocketHandle s, Endpoint to) {
    const sockaddr_in a = to_sockaddr(to);
    if (::connect(fd_of(s), reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0) return ConnectStart::Connected;
    return errno == EINPROGRESS || errno == EINTR ? ConnectStart::Pending : ConnectStart::Failed;
}

bool connect_succeeded(SocketHandle s) {
    int pending = 0;
    socklen_t size = sizeof pending;
    return ::getsockopt(fd_of(s), SOL_SOCKET, SO_ERROR, &pending, &size) == 0 && pending == 0;
}

long send_datagram_to(SocketHandle s, const uint8_t* bytes, size_t length, Endpoint to) {
    const sockaddr_in a = to_sockaddr(to);
    return result_of(::sendto(fd_of(s), bytes, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&a), sizeof a));
}

long receive_datagram_from(SocketHandle s, uint8_t* buffer, size_t capacity, Endpoint& from) {
    for (;;) {
        sockaddr_in a{};
        socklen_t size = sizeof a;
        const ssize_t n = ::recvfrom(fd_of(s), buffer, capacity, 0, reinterpret_cast<sockaddr*>(&a), &size);
        if (n < 0 && errno == EINTR) continue;
        if (n >= 0 && (size < static_cast<socklen_t>(sizeof a) || a.sin_family != AF_INET)) return SOCKET_ERROR_RESULT;
        if (n >= 0) from = from_sockaddr(a);
        return result_of(n);
    }
}

long send_bytes(SocketHandle s, const void* bytes, size_t length) {
    for (;;) {
        const ssize_t n = ::send(fd_of(s), bytes, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        return result_of(n);
    }
}

long receive_bytes(SocketHandle s, void* buffer, size_t capacity) {
    for (;;) {
        const ssize_t n = ::recv(fd_of(s), buffer, capacity, 0);
        if (n < 0 && errno == EINTR) continue;
        return result_of(n);
    }
}

int wait_sockets(SocketWait* waits, size_t count, int64_t timeout_ns) {
    if (count > MAX_SOCKET_WAITS) count = MAX_SOCKET_WAITS;
    constexpr size_t MOST = MAX_SOCKET_WAITS;
    pollfd fds[MOST];
    for (size_t i = 0; i < count; ++i) {
        const short events = static_cast<short>(((waits[i].wanted & SOCKET_READABLE) ? POLLIN : 0) |
                                                ((waits[i].wanted & SOCKET_WRITABLE) ? POLLOUT : 0));
        fds[i] = pollfd{fd_of(waits[i].socket), events, 0};
        waits[i].ready = 0;
    }
    if (timeout_ns < 0) timeout_ns = 0;
    const timespec timeout{static_cast<time_t>(timeout_ns / 1'000'000'000), static_cast<long>(timeout_ns % 1'000'000'000)};
    const int n = ::ppoll(fds, static_cast<nfds_t>(count), &timeout, stop_sleep_mask());
    if (n <= 0) return n < 0 && errno != EINTR ? -1 : 0;
    for (size_t i = 0; i < count; ++i) {
        const short r = fds[i].revents;
        waits[i].ready = static_cast<uint8_t>(((r & POLLIN) ? SOCKET_READABLE : 0) | ((r & POLLOUT) ? SOCKET_WRITABLE : 0) |
                                              ((r & (POLLERR | POLLHUP | POLLNVAL)) ? SOCKET_FAILED : 0));
    }
    return n;
}

int last_socket_error() { return errno; }
bool is_address_in_use(int error) { return error == EADDRINUSE; }

void socket_error_text(int error, char* out, size_t capacity) {
    std::snprintf(out, capacity, "%s", std::strerror(error));
}

const char* resolve_ipv4(const char* host, uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host, nullptr, &hints, &found);
    if (rc != 0) {
        switch (rc) {
        case EAI_NONAME:
#if defined(EAI_NODATA) && EAI_NODATA != EAI_NONAME
        case EAI_NODATA:
#endif
#ifdef EAI_ADDRFAMILY
        case EAI_ADDRFAMILY:
#endif
            return "UnknownHostName";
        case EAI_AGAIN: return "TemporaryNameServerFailure";
        case EAI_MEMORY: return "OutOfMemory";
        default: return "NameServerFailure";
        }
    }
    const char* error = "UnknownHostName";
    for (addrinfo* a = found; a; a = a->ai_next) {
        if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
        sockaddr_in ipv4;
        std::memcpy(&ipv4, a->ai_addr, sizeof ipv4);
        address = ntohl(ipv4.sin_addr.s_addr);
        error = nullptr;
        break;
    }
    ::freeaddrinfo(found);
    return error;
}
