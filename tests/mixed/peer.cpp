// skorvia_peer: one player of the mixed Windows/Linux game, without a
// window. It asks the server's status over TCP as the server list does, then
// plays: the game's client session on a UDP link to the server, flying the
// shared pattern. A second after it sees another plane it says `CHAT`, waits
// for the other player's line `EXPECT`, flies on for `SECONDS`, leaves and
// prints one line of figures:
//   skorvia_peer HOST_IPV4:PORT SECONDS CHAT EXPECT
//   peer: slot 1, 1480 snapshots, 1476 predicted, 0 corrected (largest 0 wu), 3 more after a late
//         input, longest pause 12 ms, heard "..."
// Exits 0 when it joined, heard the line and left; the caller judges the
// corrections.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "client/server_list.h"
#include "mixed_game.h"
#include "net/messages.h"
#include "net/status_query.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: skorvia_peer HOST_IPV4:PORT SECONDS CHAT EXPECT\n");
        return 2;
    }
    uint32_t address = 0;
    uint16_t port = 0;
    const std::string_view server_text = argv[1];
    const size_t colon = server_text.rfind(':');
    if (colon == std::string_view::npos || !parse_ipv4_literal(server_text.substr(0, colon), address) ||
        parse_port(server_text.substr(colon + 1), port) != nullptr) {
        std::fprintf(stderr, "skorvia_peer: '%s' is not an IPv4 address and port\n", argv[1]);
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const char* chat = argv[3];
    const char* expect = argv[4];

    // First the server list's question, over TCP.
    StatusReply status;
    if (!fetch_status(Endpoint{address, port}, status)) {
        std::printf("peer: the server did not answer the status query\n");
        return 1;
    }
    std::printf("peer: status answered: version %u, %u of %u players\n", static_cast<unsigned>(status.version),
                static_cast<unsigned>(status.players), static_cast<unsigned>(status.max_players));

    auto client = connect_client(Endpoint{address, port});
    if (!client) {
        std::fprintf(stderr, "skorvia_peer: no UDP socket\n");
        return 1;
    }
    TestClient& c = *client;
    const std::vector<TestClient*> me{&c};
    auto fly = [&](size_t, uint64_t) { return mixed_game_input(c.session.next_input); };

    if (!drive_until(me, 30.0, fly, [&] { return joined(c) && sees_another_player(c); })) {
        std::printf("peer: never met another player (joined: %s)\n", joined(c) ? "yes" : "no");
        return 1;
    }
    std::printf("peer: joined as slot %u\n", static_cast<unsigned>(c.session.own_slot));
    std::fflush(stdout);
    // The other player gets chat lines once the server has its first
    // inputs, a moment after it appears.
    drive(me, 1.0, fly);
    queue_chat_line(c.session, c.link, chat);
    const bool heard = drive_until(me, 30.0, fly, [&] { return received_line(c, expect); });
    // The longest pause of the ticks: a busy machine (or Wine's scheduling)
    // shows here, and explains corrections after late inputs.
    auto last = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration longest{};
    drive(me, seconds, fly, [&] {
        const auto now = std::chrono::steady_clock::now();
        if (now - last > longest) longest = now - last;
        last = now;
    });
    const bool stayed = c.left_joined == 0 && joined(c);
    close(c.link, true);

    const Corrections corrected = count_corrections(c);
    std::printf("peer: slot %u, %zu snapshots, %d predicted, %d corrected (largest %g wu), %d more after a late input, "
                "longest pause %lld ms, %s \"%s\"%s\n",
                static_cast<unsigned>(c.session.own_slot), c.snapshots.size(), predicted_snapshots(c),
                corrected.unexplained, static_cast<double>(corrected.largest), corrected.input_timing,
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()),
                heard ? "heard" : "did not hear", expect, stayed ? "" : ", lost the server on the way");
    // Losing the server for 3 s (a pause that long on a busy machine) only
    // costs a rejoin: it is reported, not failed.
    return heard ? 0 : 1;
}
