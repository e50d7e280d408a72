#include "dedicated/sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int LISTEN_BACKLOG = 16;
// With port 0 the UDP port the system picks may be taken for TCP: try again.
constexpr int FREE_PORT_TRIES = 16;

sockaddr_in any_address(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port);
    return a;
}

OpenOutcome fail(char* error_text, size_t capacity, const char* call, int error) {
    std::snprintf(error_text, capacity, "%s: %s", call, std::strerror(error));
    return error == EADDRINUSE ? OpenOutcome::PortTaken : OpenOutcome::Failed;
}

void close_fd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

OpenOutcome open_once(uint16_t port, ServerSockets& s, char* error_text, size_t capacity) {
    s.udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s.udp < 0) return fail(error_text, capacity, "UDP socket", errno);
    sockaddr_in a = any_address(port);
    if (::bind(s.udp, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return fail(error_text, capacity, "UDP bind", errno);
    socklen_t size = sizeof a;
    if (::getsockname(s.udp, reinterpret_cast<sockaddr*>(&a), &size) != 0) return fail(error_text, capacity, "getsockname", errno);
    s.port = ntohs(a.sin_port);

    s.tcp = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s.tcp < 0) return fail(error_text, capacity, "TCP socket", errno);
    // A restarted server may take the port back while old status
    // connections linger; it never lets two listeners share it.
    const int yes = 1;
    ::setsockopt(s.tcp, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    a = any_address(s.port);
    if (::bind(s.tcp, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return fail(error_text, capacity, "TCP bind", errno);
    if (::listen(s.tcp, LISTEN_BACKLOG) != 0) return fail(error_text, capacity, "TCP listen", errno);
    return OpenOutcome::Ok;
}

}  // namespace

OpenOutcome open_server_sockets(uint16_t port, ServerSockets& out, char* error_text, size_t error_capacity) {
    OpenOutcome outcome = OpenOutcome::Failed;
    for (int attempt = 0; attempt < (port == 0 ? FREE_PORT_TRIES : 1); ++attempt) {
        ServerSockets s;
        outcome = open_once(port, s, error_text, error_capacity);
        if (outcome == OpenOutcome::Ok) {
            out = s;
            return outcome;
        }
        close_server_sockets(s);
        if (outcome != OpenOutcome::PortTaken) break;
    }
    return outcome;
}

void close_server_sockets(ServerSockets& s) {
    close_fd(s.udp);
    close_fd(s.tcp);
}

long receive_datagram(int udp, uint8_t* buffer, size_t capacity, Endpoint& from) {
    sockaddr_in sender{};
    socklen_t size = sizeof sender;
    for (;;) {
        const ssize_t n = ::recvfrom(udp, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&sender), &size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 || sender.sin_family != AF_INET) return -1;
        from.address = ntohl(sender.sin_addr.s_addr);
        from.port = ntohs(sender.sin_port);
        return static_cast<long>(n);
    }
}

void send_datagram(int udp, const uint8_t* bytes, size_t length, Endpoint to) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(to.address);
    a.sin_port = htons(to.port);
    ::sendto(udp, bytes, length, 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
}
