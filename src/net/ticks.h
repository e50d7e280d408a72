#pragma once
// Protocol 21's own message bodies. A v21 client is sent the whole world only
// when it has none (on joining, after a new round, when it asks); otherwise
// it is sent, for every server tick, the input each plane was given and the
// changes the server made to the world outside the step, and it steps its
// own confirmed copy of the world with them (the step is bit-exact on every
// build). docs/protocol.md has the byte layouts.
//
//   WorldImage (tag 5)  server to client: a v20 Snapshot, then two bytes
//   TickRun (tag 9)     server to client: a run of tick records
//   InputBatch (tag 4)  client to server: the v20 batch plus what the client holds
#include <cstdint>
#include <span>

#include "net/messages.h"
#include "net/snapshot.h"
#include "net/wire.h"
#include "world/world.h"

constexpr uint8_t TAG_TICK_RUN = 9;  // server to client, protocol 21 only

// Most tick records in one TickRun, and most world edits in one.
constexpr int RUN_TICKS_MAX = 64;
constexpr int RUN_EDITS_MAX = 32;
// Most world edits one tick record holds; one more change turns the last
// into a replacement (the client then needs a whole world).
constexpr int TICK_EDITS_MAX = 8;
// The server sends the hash of its world after every tick whose number is
// a multiple of this (twice a second).
constexpr uint32_t TICK_HASH_INTERVAL = 60;

// A change of the world outside step_world, made between two steps. The
// client makes the same change to its confirmed world before the step of
// the record it belongs to.
enum WorldEditKind : uint8_t {
    EDIT_SPAWN = 1,      // spawn_plane(world, slot): a player joined
    EDIT_REMOVE = 2,     // remove_plane(world, slot): a player left or timed out
    EDIT_REPLACE = 3,    // the host replaced the world (a new round): a whole world follows
    EDIT_SPAWN_BOT = 4,  // spawn_plane(world, slot): a computer player joined ("Bot N")
};

struct WorldEdit {
    uint8_t record = 0;  // index of its tick record in the run
    uint8_t kind = 0;
    uint8_t slot = 0;
};

// Ticks first_tick .. first_tick + count - 1. Record i holds the input bytes
// (pack_input) that the server wrote into each plane before the step that
// made tick first_tick + i; edits belong before that step's inputs, in order.
struct TickRun {
    uint32_t first_tick = 0;
    uint8_t count = 0;  // 1..RUN_TICKS_MAX
    uint32_t own_input = 0;  // the receiver's last applied input number after the last record
    uint8_t edit_count = 0;
    WorldEdit edits[RUN_EDITS_MAX] = {};
    bool has_hash = false;
    uint8_t hash_record = 0;  // the hash is of the world right after that record's step
    uint64_t hash = 0;
    uint8_t inputs[RUN_TICKS_MAX][MAX_PLANES] = {};
};

inline uint32_t last_tick(const TickRun& run) { return run.first_tick + run.count - 1u; }

// What a v21 client tells the server in each InputBatch about its confirmed world.
struct WorldReport {
    bool holds_world = false;  // it has a confirmed world at `held_tick`
    bool wants_world = false;  // its world's hash differed from the server's: send a whole one
    uint32_t held_tick = 0;
};

// The v21 InputBatch: the v20 fields, with the report between the count and
// the input bytes. A count of 0 is allowed here (the report alone).
void encode_input_batch_21(WireWriter& w, uint32_t newest, std::span<const uint8_t> packed, const WorldReport& report);
WireError decode_input_batch_21(WireReader& r, InputBatch& batch, WorldReport& report);

// What a WorldImage adds to the v20 snapshot it carries.
struct ImageExtras {
    uint8_t edits_included = 0;  // edits of the next tick's record already made to the world
    uint8_t bot_mask = 0;        // bit s: slot s's plane is a computer player's
};

// The whole world at server tick `tick`. A bot's bit is allowed only for a
// plane in use.
void encode_world_image(WireWriter& w, const World& world, uint32_t tick, uint32_t acknowledged_input,
                        ImageExtras extras);
WireError decode_world_image(WireReader& r, const SnapshotGate& gate, World& scratch, SnapshotInfo& info,
                             ImageExtras& extras);

// Input bytes are written as changes: each record has a mask of the slots
// whose byte differs from the record before (all zero before the first),
// then those bytes. An unchanged slot costs one bit.
void encode_tick_run(WireWriter& w, const TickRun& run);
WireError decode_tick_run(WireReader& r, TickRun& run);
