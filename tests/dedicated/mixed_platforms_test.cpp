// One game, two systems: the real skorvia-server and a Linux player here,
// and the Windows build's player (skorvia_peer.exe under Wine) beside them,
// which asks the server's status first, as the server list does.
// Both predict with their own build's simulation and must agree with the
// server's snapshots bit for bit. `make test-windows` runs it with
// SKORVIA_WINDOWS_PEER set; without it the test is skipped.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "mixed_game.h"
#include "net/wire.h"
#include "support/child_process.h"
#include "support/server_process.h"

namespace {

constexpr double FLIGHT_SECONDS = 10.0;
// Wine may take a while to start a program in a cold prefix.
constexpr double MEETING_SECONDS = 90.0;

TEST(MixedPlatforms, AWindowsAndALinuxPlayerFlyChatAndLeaveWithoutCorrections) {
    const char* peer = std::getenv("SKORVIA_WINDOWS_PEER");
    if (!peer || !*peer) GTEST_SKIP() << "no Windows build named (SKORVIA_WINDOWS_PEER; make test-windows sets it)";
    // The command that runs a Windows program: Wine, with its environment.
    const char* wine = std::getenv("SKORVIA_WINE");

    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--layout", "random", "--seed", "7", "--protocol-20"})) << server_log(server);
    // The runner is a command of several words ("env ... wine64"), none quoted.
    std::vector<std::string> command;
    std::istringstream runner(wine && *wine ? wine : "wine");
    for (std::string word; runner >> word;) command.push_back(word);
    for (const std::string& a : {std::string(peer), "127.0.0.1:" + std::to_string(server.port), std::to_string(FLIGHT_SECONDS),
                                 std::string("hello from windows"), std::string("hello from linux")}) {
        command.push_back(a);
    }
    int pipe_fds[2];
    ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);
    const pid_t windows = spawn_tied_child(command, pipe_fds[1]);
    close(pipe_fds[1]);
    ASSERT_GT(windows, 0);

    auto linux_player = connect_client(make_endpoint(127, 0, 0, 1, server.port));
    ASSERT_TRUE(linux_player);
    TestClient& c = *linux_player;
    const std::vector<TestClient*> me{&c};
    auto fly = [&](size_t, uint64_t) { return mixed_game_input(c.session.next_input); };

    const bool met = drive_until(me, MEETING_SECONDS, fly, [&] { return joined(c) && sees_another_player(c); });
    if (met) {
        // A player gets chat lines once the server has its first inputs, a
        // moment after it appears: answer the Windows player's line, which
        // it sends a second after meeting.
        EXPECT_TRUE(drive_until(me, 30.0, fly, [&] { return received_line(c, "hello from windows"); }));
        queue_chat_line(c.session, c.link, "hello from linux");
        // Fly beside the Windows player until it leaves.
        const uint8_t other = static_cast<uint8_t>(c.session.previous_present & ~(1u << c.session.own_slot));
        EXPECT_TRUE(drive_until(me, FLIGHT_SECONDS + 30.0, fly, [&] { return (c.session.left_mask & other) != 0; }));
    }
    close(c.link, true);

    std::string report;
    char buffer[512];
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) report.append(buffer, static_cast<size_t>(n));
    close(pipe_fds[0]);
    int wait_status = 0;
    waitpid(windows, &wait_status, 0);
    const int status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    ASSERT_TRUE(met) << "the two players never met; the Windows player said:\n" << report;
    EXPECT_EQ(status, 0) << report;
    // The server names the newest protocol it speaks.
    EXPECT_NE(report.find("peer: status answered: version " + std::to_string(PROTOCOL_VERSION_21) + ","),
              std::string::npos)
        << report;
    EXPECT_NE(report.find(", 0 corrected"), std::string::npos) << report;

    const Corrections corrected = count_corrections(c);
    EXPECT_EQ(corrected.unexplained, 0) << "largest " << corrected.largest << " wu";
    EXPECT_GT(predicted_snapshots(c), static_cast<int>(FLIGHT_SECONDS * 50));
    EXPECT_EQ(c.left_joined, 0u);

    EXPECT_TRUE(wait_for_log(server, ": hello from windows\n", 5000)) << server_log(server);
    EXPECT_TRUE(wait_for_log(server, ": hello from linux\n", 5000)) << server_log(server);
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0) << server_log(server);
    const std::string log = server_log(server);
    for (const char* line : {"player 0 joined", "player 1 joined", "player 0 left", "player 1 left"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
    }
    std::printf("%s", report.c_str());
    std::printf("linux: slot %u, %zu snapshots, %d predicted, %d corrected, %d more after a late input\n",
                static_cast<unsigned>(c.session.own_slot), c.snapshots.size(), predicted_snapshots(c),
                corrected.unexplained, corrected.input_timing);
}

}  // namespace
