#include "net/status_query.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "net/wire.h"

namespace {

// Closes the socket however the exchange ends.
struct SocketCloser {
    int fd;
    ~SocketCloser() {
        if (fd >= 0) ::close(fd);
    }
};

// Waits up to `timeout_ms` for `events` on `fd`, again after an interrupting
// signal with the time that is left. Returns the reported events, 0 on a
// timeout, -1 on an error.
int wait_for(int fd, short events, int timeout_ms) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (n > 0) return p.revents;
        if (n == 0) return 0;
        if (errno != EINTR) return -1;
    }
}

bool set_blocking(int fd, bool blocking) {
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

bool connect_within(int fd, Endpoint server, int timeout_ms) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(server.address);
    to.sin_port = htons(server.port);
    if (!set_blocking(fd, false)) return false;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) return false;
    const int ready = wait_for(fd, POLLOUT, timeout_ms);
    if (ready <= 0 || (ready & (POLLERR | POLLHUP)) != 0) return false;
    int pending = 0;
    socklen_t size = sizeof pending;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &size) == 0 && pending == 0;
}

bool send_all(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        // A peer that closed early must not end the program with SIGPIPE.
        const ssize_t n = ::send(fd, bytes, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// Reads until a line feed, the peer's close or a full buffer. Returns the
// number of bytes read, or -1 on an error or a silent spell.
long read_reply(int fd, char* buffer, size_t capacity, int timeout_ms) {
    size_t used = 0;
    while (used < capacity) {
        if (wait_for(fd, POLLIN, timeout_ms) <= 0) return -1;
        const ssize_t n = ::recv(fd, buffer + used, capacity - used, 0);
        if (n < 0 && errno == EINTR) continue;
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
    SocketCloser socket{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (socket.fd < 0) return false;
    if (!connect_within(socket.fd, server, timeout_ms) || !set_blocking(socket.fd, true)) return false;

    char request[16];
    const size_t request_length = build_status_request(request, sizeof request, PROTOCOL_VERSION);
    if (!send_all(socket.fd, request, request_length)) return false;

    char buffer[STATUS_REPLY_MAX];
    const long received = read_reply(socket.fd, buffer, sizeof buffer, timeout_ms);
    if (received < 0) return false;
    return parse_status_reply(std::string_view(buffer, static_cast<size_t>(received)), reply);
}
