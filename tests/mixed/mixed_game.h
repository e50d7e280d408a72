#pragma once
// What the two players of the mixed Windows/Linux game share: the flight
// they fly, and the count that must stay at zero. The Windows side is
// skorvia_peer (peer.cpp, run under Wine), the Linux side a test in
// tests/dedicated; each is the game's own client session on a UDP link.
#include <bit>
#include <cstdint>
#include <string_view>

#include "support/test_client.h"

// Thrust on odd inputs and turns both ways: the plane loops around near
// where it started. No shots: a hit would move a plane by what the other
// player did, which no client can predict.
inline InputByte mixed_game_input(uint32_t number) {
    InputByte in;
    in.thrust = number % 2 == 1;
    in.turn_left = number % 240 < 60 && number % 3 == 0;
    in.turn_right = number % 240 >= 180 && number % 3 == 0;
    return in;
}

// Whether another player's plane is in the client's world.
inline bool sees_another_player(const TestClient& c) { return std::popcount(c.session.previous_present) >= 2; }

// Snapshots that moved the own plane away from where this client had
// predicted it (a new round, which no one predicts, left out). The server
// applies one input per tick; when a client's input is not there in time
// (its ticks paused, or the server's ran early on a busy machine) the
// server repeats the previous one, and when they pile up it skips some, and
// the client is corrected, whatever the system. Such a snapshot shows it:
// its acknowledged input moved by another amount than its server tick.
// Corrections of those are counted apart; a simulation that computes other
// bits corrects snapshots of one input per tick too.
struct Corrections {
    int unexplained = 0;  // in snapshots of one input per tick
    int input_timing = 0; // in snapshots after a repeated or skipped input
    float largest = 0;    // of the unexplained ones, world units
};

inline Corrections count_corrections(const TestClient& c) {
    Corrections n;
    for (size_t i = 1; i < c.snapshots.size(); ++i) {
        const SnapshotSeen& s = c.snapshots[i];
        const SnapshotSeen& before = c.snapshots[i - 1];
        if (!s.predicted || s.new_round || s.correction == 0) continue;
        if (s.acknowledged - before.acknowledged != s.server_tick - before.server_tick) {
            ++n.input_timing;
        } else {
            ++n.unexplained;
            if (s.correction > n.largest) n.largest = s.correction;
        }
    }
    return n;
}

inline int predicted_snapshots(const TestClient& c) {
    int n = 0;
    for (const SnapshotSeen& s : c.snapshots) n += s.predicted;
    return n;
}

inline bool received_line(const TestClient& c, const char* text) {
    for (int i = 0; i < c.session.received_count; ++i) {
        const ChatLine& line = c.session.received[i];
        if (std::string_view(line.text, line.length) == text) return true;
    }
    return false;
}
