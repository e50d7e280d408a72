// The programs a test starts never outlive it and never write into the
// descriptors the test inherited: a test killed or crashed leaves nothing
// behind that keeps a test runner waiting.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include "support/child_process.h"
#include "support/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string link_of(pid_t pid, int fd) {
    char target[256] = {};
    const std::string path = "/proc/" + std::to_string(pid) + "/fd/" + std::to_string(fd);
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
}

// Gone, or a zombie that nobody has reaped yet: either way it runs no more.
bool process_gone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    return text.empty() || close == std::string::npos || text.compare(close + 2, 1, "Z") == 0;
}

bool wait_until_gone(pid_t pid, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
        if (process_gone(pid)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return process_gone(pid);
}

// Reads from `fd` until `text` has come (then true) or the stream ends.
bool read_until(int fd, std::string& out, const std::string& text, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (out.find(text) == std::string::npos && Clock::now() < deadline) {
        pollfd p = {fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out.find(text) != std::string::npos;
}

}  // namespace

TEST(TiedChildren, AServerWritesIntoTheTestsPipeAndReadsNothingOfItsInput) {
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--seed", "2"})) << server_log(server);
    const std::string own_output = link_of(::getpid(), 1);
    ASSERT_FALSE(own_output.empty());
    EXPECT_EQ(link_of(server.pid, 0), "/dev/null");
    for (int fd : {1, 2}) {
        const std::string target = link_of(server.pid, fd);
        EXPECT_TRUE(target.starts_with("pipe:")) << fd << ": " << target;
        EXPECT_NE(target, own_output) << fd;
    }
    // Nothing else of this process: descriptor 3 on is the server's own.
    const std::string inherited = link_of(::getpid(), server.log_fd);
    for (int fd = 3; fd < 64; ++fd) EXPECT_NE(link_of(server.pid, fd), inherited) << fd;
}

// The test-like parent of the next test: starts a server, says its pid and
// waits to be killed.
TEST(TiedChildren, DISABLED_ParentThatStartsAServer) {
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--seed", "3"})) << server_log(server);
    std::cout << "server pid " << server.pid << " ready" << std::endl;
    std::this_thread::sleep_for(std::chrono::seconds(60));
}

TEST(TiedChildren, AServerDiesWithATestKilledBySigkill) {
    int pipe_fds[2];
    ASSERT_EQ(::pipe2(pipe_fds, O_CLOEXEC), 0);
    const pid_t parent = spawn_tied_child({"/proc/self/exe", "--gtest_filter=TiedChildren.DISABLED_ParentThatStartsAServer",
                                           "--gtest_also_run_disabled_tests"},
                                          pipe_fds[1]);
    ::close(pipe_fds[1]);
    ASSERT_GT(parent, 0);
    std::string said;
    const bool ready = read_until(pipe_fds[0], said, " ready", 20000);
    ::close(pipe_fds[0]);
    if (!ready) ::kill(parent, SIGKILL);
    ASSERT_TRUE(ready) << said;
    const size_t at = said.find("server pid ");
    ASSERT_NE(at, std::string::npos) << said;
    const pid_t server = static_cast<pid_t>(std::stol(said.substr(at + 11)));
    ASSERT_FALSE(process_gone(server));

    ASSERT_EQ(::kill(parent, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(parent, &status, 0), parent);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(wait_until_gone(server, 5000)) << "the server " << server << " outlived its test";
    if (!process_gone(server)) ::kill(server, SIGKILL);
}
