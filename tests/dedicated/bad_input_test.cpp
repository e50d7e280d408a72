// The real skorvia-server under hostile traffic, with a real player on it
// whose snapshots show whether the ticks kept their pace.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "net/messages.h"
#include "net/status_query.h"
#include "support/server_process.h"
#include "support/test_client.h"

namespace {

using Clock = std::chrono::steady_clock;

Endpoint loopback(uint16_t port) { return make_endpoint(127, 0, 0, 1, port); }

sockaddr_in to_sockaddr(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

// The longest wait between two snapshots among those that arrived after
// `from` (steady clock ns), in ms.
double longest_gap_ms(const TestClient& c, size_t from) {
    double longest = 0;
    for (size_t i = from + 1; i < c.snapshots.size(); ++i) {
        longest = std::max(longest, (c.snapshots[i].arrival_ns - c.snapshots[i - 1].arrival_ns) / 1e6);
    }
    return longest;
}

// Garbage of every kind: random bytes of random length, and datagrams with a
// valid header and a random tag (never a join request) and body.
size_t random_datagram(std::mt19937_64& g, uint8_t* out) {
    std::uniform_int_distribution<int> byte(0, 255);
    const int kind = static_cast<int>(g() % 4);
    const size_t length = kind == 0 ? g() % 8 : kind == 1 ? g() % 1500 : 4 + g() % 200;
    for (size_t i = 0; i < length; ++i) out[i] = static_cast<uint8_t>(byte(g));
    if (kind >= 2 && length >= 4) {
        out[0] = WIRE_MAGIC_0;
        out[1] = WIRE_MAGIC_1;
        out[2] = PROTOCOL_VERSION;
        do out[3] = static_cast<uint8_t>(kind == 2 ? 2 + g() % 7 : byte(g));
        while (out[3] == TAG_JOIN_REQUEST);
    }
    return length;
}

class BadInput : public ::testing::Test {
protected:
    ServerProcess server;
    std::unique_ptr<TestClient> player;
    std::vector<TestClient*> players;

    void SetUp() override {
        ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--seed", "7"})) << server_log(server);
        player = connect_client(loopback(server.port));
        ASSERT_TRUE(player);
        players = {player.get()};
        ASSERT_TRUE(drive_until(players, 2.0, no_input, [&] { return joined(*player); }));
        drive(players, 0.5, no_input);
    }
    void TearDown() override {
        EXPECT_EQ(stop_server_process(server, SIGTERM), 0) << server_log(server);
    }
};

TEST_F(BadInput, AFloodOfRandomDatagramsTakesNoSlotAndNoTicks) {
    const long memory_before = resident_kb(server.pid);
    const sockaddr_in to = to_sockaddr(server.port);

    // 64 source ports, 60 000 datagrams over about three seconds, while the
    // player plays on.
    std::atomic<bool> flooding{true};
    std::atomic<uint64_t> sent{0};
    std::thread flood([&] {
        std::vector<int> sockets;
        for (int i = 0; i < 64; ++i) sockets.push_back(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        std::mt19937_64 g(99);
        uint8_t datagram[1500];
        const auto start = Clock::now();
        for (int n = 0; n < 60000; ++n) {
            const size_t length = random_datagram(g, datagram);
            ::sendto(sockets[static_cast<size_t>(n) % sockets.size()], datagram, length, 0,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
            ++sent;
            if (n % 200 == 199) std::this_thread::sleep_until(start + std::chrono::microseconds(50) * (n + 1));
        }
        for (int s : sockets) ::close(s);
        flooding = false;
    });
    const size_t first = player->snapshots.size();
    drive_until(players, 6.0, no_input, [&] { return !flooding; });
    flood.join();
    drive(players, 0.5, no_input);

    EXPECT_EQ(sent.load(), 60000u);
    EXPECT_EQ(player->left_joined, 0u);
    EXPECT_TRUE(joined(*player));
    EXPECT_LT(longest_gap_ms(*player, first), 100.0);
    StatusReply status;
    ASSERT_TRUE(fetch_status(loopback(server.port), status));
    EXPECT_EQ(status.players, 1) << "only a join request takes a slot";
    const std::string log = server_log(server);
    EXPECT_EQ(log.find("player 1"), std::string::npos) << log;
    const long memory_after = resident_kb(server.pid);
    EXPECT_LT(memory_after - memory_before, 512) << memory_before << " kB before, " << memory_after << " kB after";

    // Real join requests from elsewhere still get their slots.
    const int joiner = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const uint8_t join[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
    ::sendto(joiner, join, sizeof join, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    pollfd p{joiner, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 1000), 1);
    uint8_t reply[16];
    ASSERT_EQ(::recv(joiner, reply, sizeof reply, 0), 5);
    EXPECT_EQ(reply[3], TAG_WELCOME);
    EXPECT_EQ(reply[4], 1);
    ::close(joiner);
}

// A connection to the status port; returns the socket.
int connect_status(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = to_sockaddr(port);
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a), 0);
    return fd;
}

// Whether the server has closed the connection (the peer reads the end, or a
// reset), looking without waiting.
bool closed_by_server(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    char buffer[256];
    return ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT) <= 0;
}

TEST_F(BadInput, StatusConnectionsThatSayNothingOrNonsenseAreClosedWithoutHoldingUpTicks) {
    std::vector<int> silent, garbled;
    for (int i = 0; i < 10; ++i) silent.push_back(connect_status(server.port));
    for (const char* text : {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", "check\n", "\x01\x02\x03\n",
                             "checkcheckcheckcheckcheckcheckcheckcheckcheckcheckcheckcheckcheckcheck"}) {
        const int fd = connect_status(server.port);
        ::send(fd, text, std::char_traits<char>::length(text), MSG_NOSIGNAL);
        garbled.push_back(fd);
    }
    const size_t first = player->snapshots.size();
    const auto start = Clock::now();

    // The nonsense is closed at once, the silence once its deadline passes.
    ASSERT_TRUE(drive_until(players, 0.5, no_input, [&] {
        for (int fd : garbled) {
            if (!closed_by_server(fd)) return false;
        }
        return true;
    }));
    bool silent_still_open = true;
    for (int fd : silent) silent_still_open = silent_still_open && !closed_by_server(fd);
    EXPECT_TRUE(silent_still_open);
    ASSERT_TRUE(drive_until(players, 3.0, no_input, [&] {
        for (int fd : silent) {
            if (!closed_by_server(fd)) return false;
        }
        return true;
    }));
    const double waited = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GT(waited, 0.5);
    EXPECT_LT(waited, 2.0);
    EXPECT_LT(longest_gap_ms(*player, first), 100.0);
    for (int fd : silent) ::close(fd);
    for (int fd : garbled) ::close(fd);

    // More at once than the server keeps: the surplus is closed at once, and
    // a real query is answered once the crowd is gone.
    std::vector<int> crowd;
    for (int i = 0; i < 40; ++i) {
        crowd.push_back(connect_status(server.port));
        // Let the server take them in before its accept queue fills.
        if (i % 8 == 7) drive(players, 0.02, no_input);
    }
    drive(players, 0.2, no_input);
    int closed = 0;
    for (int fd : crowd) closed += closed_by_server(fd);
    EXPECT_GE(closed, 40 - 16);
    EXPECT_LT(closed, 40);
    for (int fd : crowd) ::close(fd);
    drive(players, 0.1, no_input);
    StatusReply status;
    ASSERT_TRUE(fetch_status(loopback(server.port), status));
    EXPECT_EQ(status.players, 1);
    EXPECT_EQ(player->left_joined, 0u);
}

}  // namespace
