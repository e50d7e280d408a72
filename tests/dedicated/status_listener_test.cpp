#include "dedicated/status_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "dedicated/sockets.h"

namespace {

constexpr int64_t SECOND = 1'000'000'000;

struct Listening {
    ServerSockets sockets;
    StatusListener listener;
    Listening() {
        char error[160];
        EXPECT_EQ(open_server_sockets(0, sockets, error, sizeof error), OpenOutcome::Ok) << error;
        listener.listener = sockets.tcp;
    }
    ~Listening() {
        close_status_connections(listener);
        close_server_sockets(sockets);
    }
};

// A connection to the listener from the loopback address 127.0.0.`host`.
int connect_from(uint8_t host, uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(0x7F000000u | host);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    return fd;
}

// Runs the listener at its clock reading `now_ns` until `done` holds; false
// after 5 s of real time. Loopback delivers when it will: the test waits for
// what it needs to see, never a fixed while.
bool serve_until(Listening& l, int64_t now_ns, const std::function<bool()>& done, StatusFacts facts = {}) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        serve_status(l.listener, facts, now_ns);
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        ::usleep(1000);
    }
}

// Reads what has arrived; true once the server has closed the connection,
// with everything it sent in `text`.
bool read_to_close(int fd, std::string& text) {
    char buffer[256];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return false;
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return true;
        text.append(buffer, static_cast<size_t>(n));
    }
}

TEST(StatusListener, AnswersARequestAndCloses) {
    Listening l;
    const int a = connect_from(1, l.sockets.port);
    const int b = connect_from(1, l.sockets.port);
    ::send(a, "check 21\n", 9, 0);
    ::send(b, "check ", 6, 0);  // the rest comes later
    std::string to_a, to_b;
    ASSERT_TRUE(serve_until(l, 0, [&] { return read_to_close(a, to_a) && open_status_connections(l.listener) == 1; },
                            StatusFacts{3, 0, 61, {}}));
    EXPECT_EQ(to_a, "skorvia status version=21 players=3 bots=0 max=8 uptime=61 compatible=yes\n");
    EXPECT_FALSE(read_to_close(b, to_b));
    ::send(b, "19\r\n", 4, 0);
    ASSERT_TRUE(
        serve_until(l, SECOND / 2, [&] { return read_to_close(b, to_b); }, StatusFacts{4, 1, 62, "Friday night"}));
    EXPECT_EQ(to_b, "skorvia status version=21 players=4 bots=1 max=8 uptime=62 compatible=no name=Friday%20night\n");
    EXPECT_EQ(open_status_connections(l.listener), 0);
    ::close(a);
    ::close(b);
}

// One host holds at most two connections, so the others' queries are still
// answered; all hosts together hold at most 128, and when every place is
// taken a newcomer takes the place of the one that has waited longest.
// Connections that say nothing go at their deadline (1 s).
TEST(StatusListener, NoHostsCanHoldEveryConnection) {
    Listening l;
    std::vector<int> crowd;
    for (int i = 0; i < 5; ++i) {
        crowd.push_back(connect_from(2, l.sockets.port));
        std::string text;
        // The first two are kept, the others closed at once without a word.
        if (i < 2) {
            ASSERT_TRUE(serve_until(l, 0, [&] { return open_status_connections(l.listener) == i + 1; })) << i;
        } else {
            ASSERT_TRUE(serve_until(l, 0, [&] { return read_to_close(crowd.back(), text); })) << i;
            EXPECT_EQ(text, "");
        }
    }

    // 63 more hosts fill the 128 places, each connection a moment later.
    int64_t now = 0;
    for (uint8_t host = 3; host <= 65; ++host) {
        for (int i = 0; i < 2; ++i) {
            crowd.push_back(connect_from(host, l.sockets.port));
            const int expected = static_cast<int>(host - 2) * 2 + i + 1;
            now += 1000;
            ASSERT_TRUE(serve_until(l, now, [&] { return open_status_connections(l.listener) == expected; })) << +host;
        }
    }
    ASSERT_EQ(open_status_connections(l.listener), 128);

    // A newcomer is answered all the same: the first of host 2's connections
    // made room for it.
    const int other = connect_from(66, l.sockets.port);
    ::send(other, "check 21\n", 9, 0);
    std::string answer, gone;
    ASSERT_TRUE(serve_until(l, now, [&] { return read_to_close(other, answer); }));
    EXPECT_EQ(answer.rfind("skorvia status version=21", 0), 0u) << answer;
    ::close(other);
    EXPECT_TRUE(serve_until(l, now, [&] { return read_to_close(crowd[0], gone); }));
    EXPECT_EQ(open_status_connections(l.listener), 127);

    // A second after they came the silent ones go, and the places are free again.
    serve_status(l.listener, StatusFacts{}, SECOND + now);
    EXPECT_EQ(open_status_connections(l.listener), 0);
    for (int fd : crowd) ::close(fd);
}

// Four hosts that keep reconnecting without a word, as fast as they are
// let, never keep an honest query from its answer.
TEST(StatusListener, FourHostileHostsDoNotStarveHonestQueries) {
    Listening l;
    std::vector<int> hostile;
    int answered = 0;
    int64_t now = 0;
    for (int query = 0; query < 90; ++query) {
        for (uint8_t host = 2; host <= 5; ++host) {
            for (int i = 0; i < 3; ++i) hostile.push_back(connect_from(host, l.sockets.port));
        }
        const int honest = connect_from(static_cast<uint8_t>(10 + query % 100), l.sockets.port);
        ::send(honest, "check 21\n", 9, 0);
        std::string answer;
        now += SECOND / 10;
        if (serve_until(l, now, [&] { return read_to_close(honest, answer); }) && answer.starts_with("skorvia status")) {
            ++answered;
        }
        ::close(honest);
        // The hostile ones the listener dropped are closed on our side too.
        for (int& fd : hostile) {
            std::string nothing;
            pollfd p{fd, POLLIN, 0};
            if (fd >= 0 && ::poll(&p, 1, 0) > 0 && read_to_close(fd, nothing)) {
                ::close(fd);
                fd = -1;
            }
        }
        std::erase(hostile, -1);
    }
    EXPECT_EQ(answered, 90);
    for (int fd : hostile) ::close(fd);
}

TEST(StatusListener, ClosesGarbledConnections) {
    Listening l;
    // A wrong line, and a long line without a line feed.
    const int wrong = connect_from(1, l.sockets.port);
    const int endless = connect_from(1, l.sockets.port);
    ::send(wrong, "GET / HTTP/1.1\r\n", 16, 0);
    const std::string filler(STATUS_REQUEST_MAX + 10, 'x');
    ::send(endless, filler.data(), filler.size(), 0);
    std::string to_wrong, to_endless;
    ASSERT_TRUE(serve_until(l, 0, [&] { return read_to_close(wrong, to_wrong) && read_to_close(endless, to_endless); }));
    EXPECT_EQ(to_wrong, "");
    EXPECT_EQ(to_endless, "");
    EXPECT_EQ(open_status_connections(l.listener), 0);
    ::close(wrong);
    ::close(endless);
}

}  // namespace
