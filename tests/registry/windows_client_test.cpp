// The Windows build's registry client (WinHTTP) against the real
// skorvia-registry on loopback: the Windows skorvia-server announces itself
// under Wine and is listed beside a Linux one, and skorvia_registry_probe.exe
// (under Wine) reads the list with both. `make test-windows` runs it with
// SKORVIA_WINDOWS_REGISTRY_PROBE and SKORVIA_WINDOWS_SERVER set; without
// them the test is skipped.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "registry/registry_client.h"
#include "support/child_process.h"
#include "support/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// The runner is a command of several words ("env ... wine"), none quoted.
std::vector<std::string> wine_command() {
    const char* wine = std::getenv("SKORVIA_WINE");
    std::vector<std::string> command;
    std::istringstream runner(wine && *wine ? wine : "wine");
    for (std::string word; runner >> word;) command.push_back(word);
    return command;
}

bool linux_client_lists(const std::string& url, uint16_t a, uint16_t b) {
    RegistryUrl parsed;
    if (parse_registry_url(url, parsed)) return false;
    std::vector<RegistryEntry> entries(64);
    int count = 0;
    if (fetch_server_list(parsed, entries.data(), 64, count)) return false;
    bool seen_a = false, seen_b = false;
    for (int i = 0; i < count; ++i) {
        seen_a = seen_a || entries[static_cast<size_t>(i)].endpoint.port == a;
        seen_b = seen_b || entries[static_cast<size_t>(i)].endpoint.port == b;
    }
    return seen_a && seen_b;
}

// Runs the Windows probe on `url`; its exit status, and what it printed.
int run_probe(const std::string& probe, const std::string& url, std::string& said) {
    std::vector<std::string> command = wine_command();
    command.push_back(probe);
    command.push_back(url);
    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return -1;
    const pid_t pid = spawn_tied_child(command, pipe_fds[1]);
    close(pipe_fds[1]);
    if (pid < 0) {
        close(pipe_fds[0]);
        return -1;
    }
    char buffer[512];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) said.append(buffer, static_cast<size_t>(n));
    close(pipe_fds[0]);
    // Windows ends its printed lines with "\r\n".
    std::erase(said, '\r');
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
}

TEST(WindowsRegistryClient, AWindowsServerIsListedAndTheWindowsGameReadsTheList) {
    const char* probe = std::getenv("SKORVIA_WINDOWS_REGISTRY_PROBE");
    const char* windows_server = std::getenv("SKORVIA_WINDOWS_SERVER");
    if (!probe || !*probe || !windows_server || !*windows_server) {
        GTEST_SKIP() << "no Windows build named (SKORVIA_WINDOWS_REGISTRY_PROBE, SKORVIA_WINDOWS_SERVER; "
                        "make test-windows sets them)";
    }
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {})) << server_log(registry);
    // Plain HTTP: Wine's certificate store would have to trust the test's
    // own certificate for HTTPS.
    const std::string url = "http://127.0.0.1:" + std::to_string(registry.port);

    ServerProcess linux_server;
    ASSERT_TRUE(start_server_process(linux_server, SKORVIA_SERVER_BINARY,
                                     {"--register", url, "--name", "Linux host", "--announce-every", "1"}))
        << server_log(linux_server);
    // The Windows server under Wine: the runner's words, then the program.
    std::vector<std::string> command = wine_command();
    const std::string runner = command.front();
    command.erase(command.begin());
    command.push_back(windows_server);
    for (const char* a : {"--register", url.c_str(), "--name", "Windows host", "--announce-every", "1"}) {
        command.push_back(a);
    }
    ServerProcess windows;
    // Wine may take a while to start a program in a cold prefix: a second try.
    bool started = start_server_process(windows, runner, command);
    if (!started) started = windows.port != 0 || wait_for_log(windows, "listening on ", 30000);
    ASSERT_TRUE(started) << server_log(windows);
    if (windows.port == 0) {
        const std::string log = server_log(windows);
        const size_t at = log.find("listening on ");
        const size_t colon = log.find(':', at + 13);
        windows.port = static_cast<uint16_t>(std::stoul(log.substr(colon + 1)));
    }

    // Listed once the registry has checked both: its status query is
    // answered by each server.
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (!linux_client_lists(url, linux_server.port, windows.port) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(linux_client_lists(url, linux_server.port, windows.port))
        << server_log(registry) << server_log(windows);
    EXPECT_TRUE(wait_for_log(windows, "info: registered at " + url + " (listed)", 10000)) << server_log(windows);

    std::string said;
    const int status = run_probe(probe, url, said);
    EXPECT_EQ(status, 0) << said;
    EXPECT_NE(said.find("listed 127.0.0.1:" + std::to_string(linux_server.port) + " Linux host\n"), std::string::npos)
        << said;
    EXPECT_NE(said.find("listed 127.0.0.1:" + std::to_string(windows.port) + " Windows host\n"), std::string::npos)
        << said;
    std::printf("%s", said.c_str());

    // A registry that is not there is a failure, said as such.
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
    std::string failed;
    EXPECT_EQ(run_probe(probe, url, failed), 1) << failed;
    EXPECT_NE(failed.find("probe: can't connect"), std::string::npos) << failed;

    EXPECT_EQ(stop_server_process(linux_server, SIGTERM), 0);
    stop_server_process(windows, SIGTERM);
}

}  // namespace
