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

// What the receiving client already has: a snapshot is taken only when its tick
// is newer than the last accepted one and it acknowledges an input number the
// client has actually used.
struct SnapshotGate {
    uint32_t last_tick = 0;
    uint32_t next_input = 1;
};

// Writes the world as seen by one client (only the acknowledgement differs
// between clients). Counts above the arrays' capacities are clamped.
void encode_snapshot(WireWriter& w, const World& world, uint32_t tick, uint32_t acknowledged_input);

// Decodes into `scratch`, a throw-away image: on WireError::None it is a
// complete world (events empty, free plane slots zeroed) for the caller to
// adopt; on an error its contents are meaningless and must be discarded.
WireError decode_snapshot(WireReader& r, const SnapshotGate& gate, World& scratch, SnapshotInfo& info);
