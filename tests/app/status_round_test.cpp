// A round of status queries: entries without an address are offline at once,
// the others are checked on worker threads that publish their answer.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/client_hooks.h"

namespace {
// While set, allocations on this thread fail as they do when memory runs out.
thread_local bool out_of_memory = false;
}  // namespace

// The allocation functions of this test program: malloc and free, and a way
// to run out of memory on purpose.
void* operator new(std::size_t size) {
    if (!out_of_memory) {
        if (void* p = std::malloc(size ? size : 1)) return p;
    }
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return out_of_memory ? nullptr : std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// Answers one status request on a loopback port, then closes.
class OneShotStatusServer {
public:
    OneShotStatusServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 1);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        worker_ = std::thread([this] { serve(); });
    }
    ~OneShotStatusServer() {
        worker_.join();
        ::close(fd_);
    }
    uint16_t port() const { return port_; }

private:
    void serve() {
        pollfd ready{fd_, POLLIN, 0};
        // The worker thread may be slow to start on a busy machine; nobody
        // coming at all lets the test fail instead of hanging.
        if (::poll(&ready, 1, 20000) != 1) return;
        int c = ::accept(fd_, nullptr, nullptr);
        if (c < 0) return;
        char request[64];
        (void)::recv(c, request, sizeof request, 0);
        const char reply[] = "skorvia status version=20 players=3 max=8 uptime=42 compatible=yes\n";
        (void)::send(c, reply, sizeof reply - 1, MSG_NOSIGNAL);
        ::close(c);
    }
    int fd_ = -1;
    uint16_t port_ = 0;
    std::thread worker_;
};

// Waits for the worker to publish (generously: the wait ends as soon as it
// does).
ServerStatus wait_for_answer(const ServerEntry& e) {
    for (int i = 0; i < 2000; ++i) {
        ServerStatus s = e.status.load(std::memory_order_acquire);
        if (s != ServerStatus::Checking) return s;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ServerStatus::Checking;
}

TEST(StatusRound, ChecksEveryAddressedEntryAndPublishesItsAnswer) {
    OneShotStatusServer server;
    auto app = std::make_unique<App>();
    add_server(app->servers, "127.0.0.1:" + std::to_string(server.port()));
    testing::internal::CaptureStderr();
    add_server(app->servers, "127.0.0.1:");  // no endpoint: a port is missing
    testing::internal::GetCapturedStderr();

    start_status_queries(*app);
    EXPECT_EQ(server_at(app->servers, 1).status.load(), ServerStatus::Unreachable);
    EXPECT_EQ(app->status_recheck_timer, STATUS_RECHECK);

    const ServerEntry& online = server_at(app->servers, 0);
    ASSERT_EQ(wait_for_answer(online), ServerStatus::Answered);
    EXPECT_TRUE(online.result.answered);
    EXPECT_TRUE(online.result.compatible);
    EXPECT_EQ(online.result.players, 3);
    EXPECT_EQ(online.result.max_players, 8);
    EXPECT_EQ(online.result.uptime, 42u);
}

// A worker that can't be started for want of memory leaves its entry offline
// (and the program running) like one the system refuses a thread.
TEST(StatusRound, AWorkerWithoutMemoryToStartLeavesItsEntryOffline) {
    auto app = std::make_unique<App>();
    add_server(app->servers, "127.0.0.1:9");
    out_of_memory = true;
    start_status_queries(*app);
    out_of_memory = false;
    EXPECT_EQ(server_at(app->servers, 0).status.load(), ServerStatus::Unreachable);
    EXPECT_EQ(app->status_recheck_timer, STATUS_RECHECK);
}

}  // namespace
