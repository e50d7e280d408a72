#pragma once
// What the two players of the mixed Windows/Linux game share: the flight
// they fly, and the count that must stay at zero. The Windows side is
// skorvia_peer (peer.cpp, run under Wine), the Linux side a test in
// tests/dedicated; each is the game's own client session on a UDP link.
#include <bit>
#include <cstdint>
#include <string_view>

#include "support/test_client.h"

// Thrust on odd inputs, turns both ways, a shot every 40th input: the plane
// loops around and fires, so the predicted world has shots in it too.
inline InputByte mixed_game_input(uint32_t number) {
    InputByte in;
    in.thrust = number % 2 == 1;
    in.turn_left = number % 240 < 60 && number % 3 == 0;
    in.turn_right = number % 240 >= 180 && number % 3 == 0;
    in.fire = number % 40 == 0;
    return in;
}

// Whether another player's plane is in the client's world.
inline bool sees_another_player(const TestClient& c) { return std::popcount(c.session.previous_present) >= 2; }

// Snapshots that moved the own plane away from where this client had
// predicted it (a new round, which no one predicts, left out).
inline int corrected_snapshots(const TestClient& c, float* largest = nullptr) {
    int n = 0;
    for (const SnapshotSeen& s : c.snapshots) {
        if (!s.predicted || s.new_round || s.correction == 0) continue;
        ++n;
        if (largest && s.correction > *largest) *largest = s.correction;
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
