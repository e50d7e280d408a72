#pragma once
// A real client (the project's ClientSession over an online ServerLink)
// driven by a test: each tick collects what arrived, then runs the client's
// tick with a scripted input. Records what it saw on the way.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "client/client_session.h"
#include "client/server_link.h"

// One accepted snapshot as the client saw it.
struct SnapshotSeen {
    uint32_t server_tick = 0;
    uint32_t acknowledged = 0;
    uint8_t own_flags = 0;  // the own plane's five input flags in the snapshot (bits 0..4)
    bool predicted = false; // the own plane was there before, so it has a correction
    float correction = 0;   // length of the own plane's prediction error
    bool new_round = false; // the server started a new round since the last one: a move no one predicts
    int64_t arrival_ns = 0; // when it was collected, on the steady clock
};

// The world a client was given for a server tick: a v20 snapshot, or a v21
// client's confirmed world after a datagram advanced it. Hashed without
// the tick's events, which a snapshot does not carry.
struct WorldSeen {
    uint32_t server_tick = 0;
    uint64_t hash = 0;
};

struct TestClient {
    ClientSession session;
    ServerLink link;
    uint64_t datagrams_by_tag[16] = {};
    uint64_t bytes_received = 0;
    uint64_t left_joined = 0;  // times the client fell back from Joined
    std::vector<SnapshotSeen> snapshots;
    bool keep_worlds = false;  // fill `worlds` (a copy and a hash per snapshot)
    std::vector<WorldSeen> worlds;
};

// The world hash of `w` without its events.
uint64_t hash_without_events(const World& w);

// A client with an open link towards `server` (a joined state comes with
// the ticks), speaking `protocol` (20 or 21). Null when no socket could be had.
std::unique_ptr<TestClient> connect_client(Endpoint server, uint8_t protocol = PROTOCOL_VERSION);

// One client tick: collect, then advance with `input`.
void client_tick(TestClient& client, const InputByte& input);

// Ticks every client 120 times per second of real time for `seconds`
// (after a stall, at most 29 ticks at once, like the game's client), with
// the input `script(client index, client tick)`. `each_tick`, when given,
// runs after every round of ticks.
using InputScript = std::function<InputByte(size_t client, uint64_t tick)>;
void drive(const std::vector<TestClient*>& clients, double seconds, const InputScript& script,
           const std::function<void()>& each_tick = {});

// Ticks until `done()` holds or `seconds` pass; true when it held.
bool drive_until(const std::vector<TestClient*>& clients, double seconds, const InputScript& script,
                 const std::function<bool()>& done);

inline InputByte no_input(size_t, uint64_t) { return InputByte{}; }

// The deadline for a wait that ends as soon as what it waits for happens:
// long enough that only a hang reaches it, however busy the machine. A test
// that needs so many ticks, snapshots or worlds plays until it has seen
// them, with this deadline, rather than for a fixed time.
constexpr double HANG_SECONDS = 60.0;

bool joined(const TestClient& c);
