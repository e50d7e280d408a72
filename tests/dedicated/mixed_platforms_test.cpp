// One game, two systems: the real skorvia-server and a Linux player here,
// and the Windows build's player (skorvia_peer.exe under Wine) beside them,
// which asks the server's status first, as the server list does.
// Both predict with their own build's simulation and must agree with the
// server's snapshots bit for bit. `make test-windows` runs it with
// SKORVIA_WINDOWS_PEER set; without it the test is skipped.
#include <signal.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mixed_game.h"
#include "net/wire.h"
#include "support/server_process.h"

namespace {

constexpr double FLIGHT_SECONDS = 10.0;
// Wine may take a while to start a program in a cold prefix.
constexpr double MEETING_SECONDS = 90.0;

std::string quoted(const std::string& s) { return "'" + s + "'"; }

TEST(MixedPlatforms, AWindowsAndALinuxPlayerFlyChatAndLeaveWithoutCorrections) {
    const char* peer = std::getenv("SKORVIA_WINDOWS_PEER");
    if (!peer || !*peer) GTEST_SKIP() << "no Windows build named (SKORVIA_WINDOWS_PEER; make test-windows sets it)";
    // The command that runs a Windows program: Wine, with its environment.
    const char* wine = std::getenv("SKORVIA_WINE");

    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--layout", "random", "--seed", "7", "--protocol-20"})) << server_log(server);
    const std::string command = "exec " + std::string(wine && *wine ? wine : "wine") + " " + quoted(peer) + " 127.0.0.1:" +
                                std::to_string(server.port) + " " + std::to_string(FLIGHT_SECONDS) +
                                " 'hello from windows' 'hello from linux' 2>&1";
    FILE* windows = popen(command.c_str(), "r");
    ASSERT_NE(windows, nullptr);

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
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, windows)) > 0) report.append(buffer, n);
    const int status = pclose(windows);
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
