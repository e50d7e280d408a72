#include "support/udp_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

namespace {

using Clock = std::chrono::steady_clock;

int loopback_socket() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    return fd;
}

sockaddr_in to_sockaddr(Endpoint e) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(e.address);
    a.sin_port = htons(e.port);
    return a;
}

}  // namespace

UdpRelay::UdpRelay(Endpoint server, RelayFaults faults) : server_(server), faults_(faults), random_state_(faults.seed) {
    front_fd_ = loopback_socket();
    sockaddr_in a{};
    socklen_t size = sizeof a;
    ::getsockname(front_fd_, reinterpret_cast<sockaddr*>(&a), &size);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { run(); });
}

UdpRelay::~UdpRelay() {
    stop_ = true;
    thread_.join();
    ::close(front_fd_);
    for (int i = 0; i < route_count_; ++i) ::close(routes_[i].back_fd);
}

// splitmix64, as a number in [0, 1).
double UdpRelay::draw() {
    uint64_t z = (random_state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 9007199254740992.0;
}

int UdpRelay::route_for(Endpoint client) {
    for (int i = 0; i < route_count_; ++i) {
        if (routes_[i].client == client) return i;
    }
    if (route_count_ == MAX_ROUTES) return -1;
    routes_[route_count_] = Route{client, loopback_socket()};
    return route_count_++;
}

void UdpRelay::pass(int fd, Endpoint to, const uint8_t* bytes, size_t length) {
    ++counts_.received;
    const bool to_server = to == server_;
    if (to_server) {
        if (hold_next_.exchange(false)) {
            ++counts_.delayed;
            held_.push_back(Held{Clock::time_point::max(), fd, to, std::vector<uint8_t>(bytes, bytes + length)});
            return;
        }
    }
    if (to_server ? cut_to_server_.load() : cut_to_clients_.load()) {
        ++counts_.dropped;
        return;
    }
    if (draw() < faults_.drop) {
        ++counts_.dropped;
        return;
    }
    const int copies = draw() < faults_.duplicate ? 2 : 1;
    if (copies == 2) ++counts_.duplicated;
    for (int c = 0; c < copies; ++c) {
        if (faults_.max_delay_ms > 0 && draw() < faults_.delay) {
            ++counts_.delayed;
            const auto wait = std::chrono::milliseconds(1 + static_cast<int>(draw() * faults_.max_delay_ms));
            held_.push_back(Held{Clock::now() + wait, fd, to, std::vector<uint8_t>(bytes, bytes + length)});
            continue;
        }
        const sockaddr_in a = to_sockaddr(to);
        ::sendto(fd, bytes, length, 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    }
}

void UdpRelay::run() {
    uint8_t buffer[65536];
    while (!stop_) {
        pollfd fds[1 + MAX_ROUTES];
        int count = 0;
        fds[count++] = pollfd{front_fd_, POLLIN, 0};
        for (int i = 0; i < route_count_; ++i) fds[count++] = pollfd{routes_[i].back_fd, POLLIN, 0};
        ::poll(fds, static_cast<nfds_t>(count), 1);

        // From clients, towards the server.
        for (;;) {
            sockaddr_in from{};
            socklen_t size = sizeof from;
            const ssize_t n = ::recvfrom(front_fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &size);
            if (n < 0) break;
            const int r = route_for({ntohl(from.sin_addr.s_addr), ntohs(from.sin_port)});
            if (r >= 0) pass(routes_[r].back_fd, server_, buffer, static_cast<size_t>(n));
        }
        // From the server, back to each client.
        for (int i = 0; i < route_count_; ++i) {
            for (;;) {
                const ssize_t n = ::recv(routes_[i].back_fd, buffer, sizeof buffer, 0);
                if (n < 0) break;
                counts_.bytes_to_clients += static_cast<uint64_t>(n);
                pass(front_fd_, routes_[i].client, buffer, static_cast<size_t>(n));
            }
        }
        // Held-back datagrams whose time has come, in the order they fall due.
        const auto now = Clock::now();
        if (release_held_.exchange(false)) {
            for (Held& h : held_) h.release = std::min(h.release, now);
        }
        std::stable_sort(held_.begin(), held_.end(), [](const Held& a, const Held& b) { return a.release < b.release; });
        size_t released = 0;
        while (released < held_.size() && held_[released].release <= now) {
            const Held& h = held_[released++];
            const sockaddr_in a = to_sockaddr(h.to);
            ::sendto(h.fd, h.bytes.data(), h.bytes.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
        }
        held_.erase(held_.begin(), held_.begin() + static_cast<long>(released));
    }
}
