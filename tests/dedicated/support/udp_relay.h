#pragma once
// A bad network of our own on loopback: clients send to the relay, which
// passes their datagrams on to the server from one socket per client (so
// the server still tells them apart) and passes the answers back. Each
// datagram, in either direction, may be dropped, sent twice, or held back
// for a while so that later ones overtake it. A test can also cut either
// direction for a while, and hold one datagram back for as long as it likes.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "base/endpoint.h"

struct RelayFaults {
    double drop = 0.0;       // share of datagrams lost
    double duplicate = 0.0;  // share of the passed ones sent twice
    double delay = 0.0;      // share of the passed ones held back (reordered)
    int max_delay_ms = 0;    // held back for 1..max_delay_ms
    uint64_t seed = 1;
};

// The bad network the load tools play through: a fifth of the datagrams lost
// each way, a tenth repeated, a fifth held back for up to 25 ms.
constexpr RelayFaults LOSSY_NETWORK = {0.2, 0.1, 0.2, 25, 1};

struct RelayCounts {
    std::atomic<uint64_t> received{0};
    std::atomic<uint64_t> dropped{0};
    std::atomic<uint64_t> duplicated{0};
    std::atomic<uint64_t> delayed{0};
    std::atomic<uint64_t> bytes_to_clients{0};
};

class UdpRelay {
public:
    static constexpr int MAX_ROUTES = 32;

    UdpRelay(Endpoint server, RelayFaults faults);
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    // Where clients send to.
    Endpoint endpoint() const { return make_endpoint(127, 0, 0, 1, port_); }
    const RelayCounts& counts() const { return counts_; }

    // Drops everything towards the server, or towards the clients, until
    // called again with false.
    void cut(bool to_server, bool to_clients) {
        cut_to_server_ = to_server;
        cut_to_clients_ = to_clients;
    }
    // The next datagram from a client is held back (neither dropped nor
    // repeated) until release_held.
    void hold_next_to_server() { hold_next_ = true; }
    void release_held() { release_held_ = true; }

private:
    struct Route {
        Endpoint client;
        int back_fd = -1;  // the relay's socket towards the server for this client
    };
    struct Held {
        std::chrono::steady_clock::time_point release;
        int fd;
        Endpoint to;
        std::vector<uint8_t> bytes;
    };

    void run();
    void pass(int fd, Endpoint to, const uint8_t* bytes, size_t length);
    int route_for(Endpoint client);
    double draw();

    Endpoint server_;
    RelayFaults faults_;
    int front_fd_ = -1;
    uint16_t port_ = 0;
    Route routes_[MAX_ROUTES];
    int route_count_ = 0;
    std::vector<Held> held_;
    uint64_t random_state_;
    RelayCounts counts_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> cut_to_server_{false};
    std::atomic<bool> cut_to_clients_{false};
    std::atomic<bool> hold_next_{false};
    std::atomic<bool> release_held_{false};
    std::thread thread_;
};
