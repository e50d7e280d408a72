#include "client/server_list.h"
#include "net/status_query.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// A listening TCP socket on 127.0.0.1 with a port of the system's choice.
struct Listener {
    int fd = -1;
    uint16_t port = 0;

    explicit Listener(int backlog = 4) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd, backlog);
        socklen_t size = sizeof a;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
        port = ntohs(a.sin_port);
    }
    ~Listener() { ::close(fd); }
    Endpoint endpoint() const { return make_endpoint(127, 0, 0, 1, port); }
};

// Answers one connection: reads the request line, then sends `reply` in
// pieces of `piece` bytes, then closes (or stays open for `linger`, unless
// the client goes first).
struct CannedServer {
    Listener listener;
    std::string request;
    std::thread thread;

    CannedServer(std::string reply, size_t piece, std::chrono::milliseconds linger = {}) {
        thread = std::thread([this, reply, piece, linger] {
            const int c = ::accept(listener.fd, nullptr, nullptr);
            if (c < 0) return;
            char buffer[64];
            while (request.find('\n') == std::string::npos) {
                const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            for (size_t at = 0; at < reply.size(); at += piece) {
                ::send(c, reply.data() + at, std::min(piece, reply.size() - at), MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            pollfd p{c, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(linger.count()));
            ::close(c);
        });
    }
    // Waits for the conversation to end; returns the request it got.
    const std::string& finish() {
        if (thread.joinable()) thread.join();
        return request;
    }
    ~CannedServer() { finish(); }
};

void aim(ServerEntry& entry, Endpoint e) {
    entry.has_endpoint = true;
    entry.endpoint = e;
}

// For the tests of a timeout. Where a query should succeed it gets the real
// limit, which only bounds a wait that ends as soon as the server answers:
// a loaded machine then costs time, never a failure.
constexpr int SHORT_TIMEOUT_MS = 300;
// What a loaded machine may add to a timed wait: the waits are checked to
// end not before their limit and not long after it (a query that waited
// for a close or for another timeout would take seconds more).
constexpr int SCHEDULING_SLACK_MS = 1500;

TEST(StatusQuery, AsksWithItsVersionAndPublishesTheAnswer) {
    CannedServer server("skorvia status version=20 players=3 max=8 uptime=120\n", 7);
    ServerEntry entry;
    aim(entry, server.listener.endpoint());
    entry.status.store(ServerStatus::Checking);
    query_status(entry);
    EXPECT_EQ(entry.status.load(std::memory_order_acquire), ServerStatus::Answered);
    EXPECT_TRUE(entry.result.answered);
    EXPECT_TRUE(entry.result.compatible);  // no verdict given: same version
    EXPECT_EQ(entry.result.version, 20);
    EXPECT_EQ(entry.result.players, 3);
    EXPECT_EQ(entry.result.max_players, 8);
    EXPECT_EQ(entry.result.uptime, 120u);
    EXPECT_EQ(server.finish(), "check 21\n");
}

TEST(StatusQuery, TakesTheServersVerdictOverTheVersion) {
    {
        CannedServer server("skorvia status version=19 players=0 max=8 uptime=5 compatible=yes", 100);
        ServerEntry entry;
    aim(entry, server.listener.endpoint());
        query_status(entry);  // ends when the server closes
        EXPECT_EQ(entry.status.load(), ServerStatus::Answered);
        EXPECT_TRUE(entry.result.compatible);
        EXPECT_EQ(entry.result.version, 19);
    }
    {
        CannedServer server("skorvia status version=22 compatible=no\n", 100);
        ServerEntry entry;
    aim(entry, server.listener.endpoint());
        query_status(entry);
        EXPECT_EQ(entry.status.load(), ServerStatus::Answered);
        EXPECT_FALSE(entry.result.compatible);
        EXPECT_EQ(entry.result.players, 0);
    }
    {
        // An older server does not know 21, the version we ask as, and says
        // no; it still plays 20 with us.
        CannedServer server("skorvia status version=20 compatible=no\n", 100);
        ServerEntry entry;
    aim(entry, server.listener.endpoint());
        query_status(entry);
        EXPECT_TRUE(entry.result.compatible);
    }
}

TEST(StatusQuery, ReadsAtMostTheReplyBuffer) {
    // 300 bytes, no line feed, and the server keeps the connection open: the
    // query stops at 256 bytes and parses those. Here the version lies
    // inside the first 256 bytes and a bad value beyond them.
    std::string reply = "skorvia status version=20 players=2";
    reply += std::string(STATUS_REPLY_MAX - reply.size() - 1, ' ');
    reply += " players=300 xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx";
    ASSERT_GT(reply.size(), 290u);
    CannedServer server(reply, 50, std::chrono::milliseconds(STATUS_TIMEOUT_MS + 2 * SCHEDULING_SLACK_MS));
    StatusReply out;
    const auto start = Clock::now();
    ASSERT_TRUE(fetch_status(server.listener.endpoint(), out));
    // Neither the server's close nor another wait for data.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(STATUS_TIMEOUT_MS - 500));
    EXPECT_EQ(out.players, 2);
}

TEST(StatusQuery, EveryFailureEndsUnreachableAndKeepsTheEarlierResult) {
    ServerEntry entry;
    entry.result.answered = true;
    entry.result.players = 5;

    // No endpoint at all.
    entry.status.store(ServerStatus::Checking);
    query_status(entry, SHORT_TIMEOUT_MS);
    EXPECT_EQ(entry.status.load(), ServerStatus::Unreachable);

    // Refused: a port nobody listens on.
    uint16_t closed_port = 0;
    {
        Listener gone;
        closed_port = gone.port;
    }
    aim(entry, make_endpoint(127, 0, 0, 1, closed_port));
    entry.result.players = 5;
    entry.status.store(ServerStatus::Checking);
    query_status(entry, SHORT_TIMEOUT_MS);
    EXPECT_EQ(entry.status.load(), ServerStatus::Unreachable);
    EXPECT_EQ(entry.result.players, 5);

    // Malformed replies, and a server that closes without a word.
    for (const char* reply : {"skorvia status players=3\n", "hello\n", "skorvia status version=20 players=300\n", ""}) {
        CannedServer server(reply, 100);
        ServerEntry e;
    aim(e, server.listener.endpoint());
        e.result.players = 5;
        query_status(e);
        EXPECT_EQ(e.status.load(), ServerStatus::Unreachable) << '"' << reply << '"';
        EXPECT_EQ(e.result.players, 5);
    }
}

TEST(StatusQuery, GivesUpOnASilentServer) {
    // The listener accepts (the system completes the connection) but never
    // answers: the query fails once one wait for data runs out.
    Listener silent;
    StatusReply out;
    auto start = Clock::now();
    EXPECT_FALSE(fetch_status(silent.endpoint(), out, SHORT_TIMEOUT_MS));
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(SHORT_TIMEOUT_MS - 20));
    EXPECT_LT(waited, std::chrono::milliseconds(SHORT_TIMEOUT_MS + SCHEDULING_SLACK_MS));

    // The real limit: two seconds.
    ServerEntry entry;
    aim(entry, silent.endpoint());
    start = Clock::now();
    query_status(entry);
    waited = Clock::now() - start;
    EXPECT_EQ(entry.status.load(), ServerStatus::Unreachable);
    EXPECT_GE(waited, std::chrono::milliseconds(STATUS_TIMEOUT_MS - 20));
    EXPECT_LT(waited, std::chrono::milliseconds(STATUS_TIMEOUT_MS + SCHEDULING_SLACK_MS));
}

TEST(StatusQuery, GivesUpOnADrippingServerWhenItsTimeAsAWholeIsUp) {
    // A byte every 5 ms, never a silence as long as the time given: the
    // reply would take over a second, and the query ends at its deadline.
    const std::string reply = "skorvia status version=20 " + std::string(200, 'x') + "\n";
    CannedServer server(reply, 1);
    StatusReply out;
    const auto start = Clock::now();
    EXPECT_FALSE(fetch_status(server.listener.endpoint(), out, SHORT_TIMEOUT_MS));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(SHORT_TIMEOUT_MS - 20));
    EXPECT_LT(waited, std::chrono::milliseconds(SHORT_TIMEOUT_MS + SCHEDULING_SLACK_MS / 2));
}

TEST(StatusQuery, GivesUpOnAConnectionThatNeverCompletes) {
    // A listener whose accept queue is full drops further connection
    // attempts, so the third connect never completes.
    Listener full(0);
    int fillers[2];
    for (int& f : fillers) {
        f = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(full.port);
        ::connect(f, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    // The premise: one more connection attempt stays pending.
    const int probe = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(full.port);
    ::connect(probe, reinterpret_cast<sockaddr*>(&a), sizeof a);
    pollfd p{probe, POLLOUT, 0};
    const bool probe_connected = ::poll(&p, 1, 100) > 0;
    ::close(probe);
    if (probe_connected) {
        for (int f : fillers) ::close(f);
        GTEST_SKIP() << "this system completes connections beyond a full accept queue";
    }
    StatusReply out;
    const auto start = Clock::now();
    EXPECT_FALSE(fetch_status(full.endpoint(), out, SHORT_TIMEOUT_MS));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(SHORT_TIMEOUT_MS - 20));
    EXPECT_LT(waited, std::chrono::milliseconds(SHORT_TIMEOUT_MS + SCHEDULING_SLACK_MS));
    for (int f : fillers) ::close(f);
}

}  // namespace
