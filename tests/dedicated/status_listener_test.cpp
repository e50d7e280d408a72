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

// One host holds at most four connections, so the others' queries are still
// answered; all hosts together hold at most sixteen. Connections that say
// nothing go at their deadline.
TEST(StatusListener, OneHostCannotHoldEveryConnection) {
    Listening l;
    std::vector<int> crowd;
    int closed = 0;
    for (int i = 0; i < 10; ++i) {
        crowd.push_back(connect_from(2, l.sockets.port));
        std::string text;
        // The first four are kept, the others closed at once without a word.
        if (i < 4) {
            ASSERT_TRUE(serve_until(l, 0, [&] { return open_status_connections(l.listener) == i + 1; })) << i;
        } else {
            ASSERT_TRUE(serve_until(l, 0, [&] { return read_to_close(crowd.back(), text); })) << i;
            EXPECT_EQ(text, "");
            ++closed;
        }
    }
    EXPECT_EQ(closed, 6);

    // Another host is answered meanwhile.
    const int other = connect_from(3, l.sockets.port);
    ::send(other, "check 20\n", 9, 0);
    std::string answer;
    ASSERT_TRUE(serve_until(l, 0, [&] { return read_to_close(other, answer); }));
    EXPECT_EQ(answer.rfind("skorvia status version=21", 0), 0u) << answer;
    ::close(other);

    // Three more hosts fill the sixteen places; a fifth host finds none.
    for (uint8_t host = 3; host <= 5; ++host) {
        for (int i = 0; i < 4; ++i) {
            crowd.push_back(connect_from(host, l.sockets.port));
            const int expected = static_cast<int>(host - 2) * 4 + i + 1;
            ASSERT_TRUE(serve_until(l, 0, [&] { return open_status_connections(l.listener) == expected; }));
        }
    }
    ASSERT_EQ(open_status_connections(l.listener), 16);
    const int late = connect_from(6, l.sockets.port);
    std::string text;
    ASSERT_TRUE(serve_until(l, 0, [&] { return read_to_close(late, text); }));
    ::close(late);

    // A second after they came the silent ones go, and the places are free again.
    serve_status(l.listener, StatusFacts{}, SECOND - 1);
    EXPECT_EQ(open_status_connections(l.listener), 16);
    serve_status(l.listener, StatusFacts{}, SECOND);
    EXPECT_EQ(open_status_connections(l.listener), 0);
    for (int fd : crowd) ::close(fd);
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
