#include "dedicated/status_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dedicated/sockets.h"
#include "dedicated/tick_clock.h"

namespace {

constexpr int64_t SECOND = 1'000'000'000;

struct Listening {
    ServerSockets sockets;
    StatusListener listener;
    Listening() {
        char error[160];
        EXPECT_EQ(open_server_sockets(0, sockets, error, sizeof error), OpenOutcome::Ok) << error;
        listener.listen_fd = sockets.tcp;
    }
    ~Listening() {
        close_status_connections(listener);
        close_server_sockets(sockets);
    }
};

int connect_to(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    return fd;
}

// What the peer got before the server closed: the text, or "(open)" when
// the connection is still open.
std::string received(int fd) {
    std::string text;
    char buffer[256];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0) return "(open)";
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

void settle() { ::usleep(20'000); }  // lets loopback deliver

TEST(StatusListener, AnswersARequestAndCloses) {
    Listening l;
    const int a = connect_to(l.sockets.port);
    const int b = connect_to(l.sockets.port);
    ::send(a, "check 20\n", 9, 0);
    ::send(b, "check ", 6, 0);  // the rest comes later
    settle();
    serve_status(l.listener, StatusFacts{3, 61}, 0);
    settle();
    EXPECT_EQ(received(a), "skorvia status version=20 players=3 max=8 uptime=61 compatible=yes\n");
    EXPECT_EQ(received(b), "(open)");
    ::send(b, "19\r\n", 4, 0);
    settle();
    serve_status(l.listener, StatusFacts{4, 62}, SECOND / 2);
    settle();
    EXPECT_EQ(received(b), "skorvia status version=20 players=4 max=8 uptime=62 compatible=no\n");
    EXPECT_EQ(open_status_connections(l.listener), 0);
    ::close(a);
    ::close(b);
}

TEST(StatusListener, ClosesSilentGarbledAndSurplusConnections) {
    Listening l;
    std::vector<int> silent;
    for (int i = 0; i < STATUS_CONNECTIONS_MAX + 4; ++i) {
        silent.push_back(connect_to(l.sockets.port));
        settle();
        serve_status(l.listener, StatusFacts{}, 0);
    }
    settle();
    // The cap holds: the surplus ones were closed at once, without a word.
    EXPECT_EQ(open_status_connections(l.listener), STATUS_CONNECTIONS_MAX);
    int closed = 0;
    for (int fd : silent) closed += received(fd) == "";
    EXPECT_EQ(closed, 4);

    // Past the deadline the silent ones go too, and the slots are free again.
    serve_status(l.listener, StatusFacts{}, STATUS_CONNECTION_DEADLINE_NS - 1);
    EXPECT_EQ(open_status_connections(l.listener), STATUS_CONNECTIONS_MAX);
    serve_status(l.listener, StatusFacts{}, STATUS_CONNECTION_DEADLINE_NS);
    EXPECT_EQ(open_status_connections(l.listener), 0);
    for (int fd : silent) ::close(fd);

    // Garbage: a wrong line, and a long line without a line feed.
    const int wrong = connect_to(l.sockets.port);
    const int endless = connect_to(l.sockets.port);
    ::send(wrong, "GET / HTTP/1.1\r\n", 16, 0);
    const std::string filler(STATUS_REQUEST_MAX + 10, 'x');
    ::send(endless, filler.data(), filler.size(), 0);
    settle();
    serve_status(l.listener, StatusFacts{}, 2 * SECOND);
    settle();
    EXPECT_EQ(received(wrong), "");
    EXPECT_EQ(received(endless), "");
    EXPECT_EQ(open_status_connections(l.listener), 0);
    ::close(wrong);
    ::close(endless);
}

}  // namespace
