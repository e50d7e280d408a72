#pragma once
// The Snapshot message: one client's image of the whole world, sent by the
// server on every second tick. 136 bytes for an empty world, at most 12524.
#include <cstddef>
#include <cstdint>

#include "net/wire.h"
#include "world/world.h"

constexpr size_t SNAPSHOT_MIN_SIZE = 136;
constexpr size_t SNAPSHOT_MAX_SIZE = 12524;

struct SnapshotInfo {
    uint32_t tick = 0;                // low 32 bits of the server's tick counter
    uint32_t acknowledged_input = 0;  // last input number the server applied for this client
};

// Server ticks are serial numbers: `tick` is newer than `than` when the 32-bit
// difference, read as signed, is positive. The counter's wrap is crossed, and
// a tick from the far half of the range (a forged 0xFFFFFFFF) counts as old.
constexpr bool tick_is_newer(uint32_t tick, uint32_t than) {
    return static_cast<int32_t>(tick - than) > 0;
}

// What the receiving client already has: a snapshot is taken only when its tick
// is newer than the last accepted one (any tick while none was accepted yet)
// and it acknowledges an input number the client has actually used.
struct SnapshotGate {
    uint32_t last_tick = 0;
    uint32_t next_input = 1;
    bool any_tick = false;
};

// Writes the world as seen by one client (only the acknowledgement differs
// between clients). Counts above the arrays' capacities are clamped.
void encode_snapshot(WireWriter& w, const World& world, uint32_t tick, uint32_t acknowledged_input);

// Decodes into `scratch`, a throw-away image: on WireError::None it is a
// complete world (events empty, free plane slots zeroed) for the caller to
// adopt; on an error its contents are meaningless and must be discarded.
WireError decode_snapshot(WireReader& r, const SnapshotGate& gate, World& scratch, SnapshotInfo& info);
