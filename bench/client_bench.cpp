// What snapshots cost the client on a busy world: one snapshot decoded,
// adopted and replayed on its own, and whole frames that receive one or a
// flood of snapshots, of which only the newest is replayed. Beside them the
// same frame in protocol 21: a run of two ticks steps the confirmed world,
// which the prediction is then rebuilt from.
#include <benchmark/benchmark.h>

#include "busy_world.h"
#include "client/client_session.h"
#include "net/snapshot.h"
#include "net/ticks.h"

namespace {

// Inputs 1 .. 400 made, with every control in use somewhere.
void prepare_joined_client(ClientSession& c) {
    reset_client_session(c);
    c.state = ConnectionState::Joined;
    c.own_slot = 0;
    c.next_input = 401;
    for (uint32_t n = 1; n <= 400; ++n) {
        c.history[n % INPUT_HISTORY] = {n % 7 == 0, n % 5 == 0, n % 2 == 0, true, n % 40 == 0, 0};
    }
}

void put_uint32_at(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

// range(0): the number of inputs the snapshot leaves to replay (0..240).
void BM_ApplySnapshot(benchmark::State& state) {
    const uint32_t replayed = static_cast<uint32_t>(state.range(0));
    static World world = busy_world();
    static ClientSession c;
    prepare_joined_client(c);

    static uint8_t datagram[MAX_DATAGRAM];
    WireWriter w(datagram);
    encode_snapshot(w, world, 1000, 400 - replayed);
    const size_t length = w.length;

    for (auto _ : state) {
        c.last_snapshot_tick = 0;
        c.acknowledged_input = 0;
        handle_datagram(c, datagram, length);
        adopt_snapshot(c);
        benchmark::DoNotOptimize(c.world.planes[0].pos);
    }
    if (c.snapshots_adopted != static_cast<uint64_t>(state.iterations())) state.SkipWithError("snapshot refused");
    state.counters["bytes"] = static_cast<double>(length);
    state.counters["objects"] = static_cast<double>(world.object_count);
    state.counters["shots"] = static_cast<double>(world.shot_count);
}
BENCHMARK(BM_ApplySnapshot)->Arg(0)->Arg(16)->Arg(240)->Unit(benchmark::kMicrosecond);

// One frame of a joined client at 60 frames per second: the snapshots that
// arrived are taken, the newest is adopted with its unacknowledged inputs
// replayed, and the frame's two ticks step the world. range(0): snapshots
// received in the frame (a flood of forged or repeated ones: each is newer
// than the last); range(1): inputs each leaves to replay (2: a server next
// door; 16: about 130 ms behind; 240: the most there can be). Every snapshot
// costs its decode, so the flood weighs most where little is replayed.
void BM_SnapshotFrame(benchmark::State& state) {
    constexpr int MOST = 64;
    const int received = static_cast<int>(state.range(0));
    const uint32_t replayed = static_cast<uint32_t>(state.range(1));
    static World world = busy_world();
    static ClientSession c;
    static ServerLink closed;  // what the ticks send goes nowhere
    prepare_joined_client(c);

    // Encoded once; tick and acknowledgement are renumbered every frame.
    static uint8_t datagrams[MOST][MAX_DATAGRAM];
    size_t length = 0;
    for (int i = 0; i < received; ++i) {
        WireWriter w(datagrams[i]);
        encode_snapshot(w, world, 0, 0);
        length = w.length;
    }

    uint32_t tick = 0;
    const InputByte input{false, true, true, true, false, 0};
    for (auto _ : state) {
        const uint32_t acknowledged = c.next_input - 1 - replayed;
        for (int i = 0; i < received; ++i) {
            put_uint32_at(datagrams[i] + 4, tick += 2);
            put_uint32_at(datagrams[i] + 8, acknowledged);
            handle_datagram(c, datagrams[i], length);
        }
        adopt_snapshot(c);
        advance_client(c, closed, input);
        advance_client(c, closed, input);
        benchmark::DoNotOptimize(c.world.planes[0].pos);
    }
    const uint64_t frames = static_cast<uint64_t>(state.iterations());
    if (c.snapshots_accepted != frames * static_cast<uint64_t>(received) || c.snapshots_adopted != frames) {
        state.SkipWithError("snapshot refused");
    }
    state.counters["bytes"] = static_cast<double>(length);
}
BENCHMARK(BM_SnapshotFrame)
    ->ArgNames({"snapshots", "replayed"})
    ->Args({1, 2})
    ->Args({64, 2})
    ->Args({1, 16})
    ->Args({64, 16})
    ->Args({1, 240})
    ->Args({64, 240})
    ->Unit(benchmark::kMicrosecond);

// One frame of a joined v21 client at 60 frames per second: a run of the
// server's last two ticks (eight planes' inputs) steps the confirmed world
// twice, the prediction is rebuilt from it with range(0) inputs replayed,
// and the frame's two ticks step the prediction. The confirmed world starts
// each frame as the busy world, so every frame costs the same.
void BM_TickRunFrame(benchmark::State& state) {
    const uint32_t replayed = static_cast<uint32_t>(state.range(0));
    static World world = busy_world();
    static ClientSession c;
    static ServerLink closed;
    prepare_joined_client(c);
    choose_protocol(c, PROTOCOL_VERSION_21, true);
    c.holds_world = true;

    static TickRun run;
    run.count = 2;
    for (int i = 0; i < run.count; ++i) {
        for (int p = 0; p < MAX_PLANES; ++p) run.inputs[i][p] = pack_input({p % 3 == 0, false, true, true, false, 0});
    }
    static uint8_t datagram[MAX_DATAGRAM];
    uint32_t tick = 1000;
    const InputByte input{false, true, true, true, false, 0};
    size_t length = 0;
    for (auto _ : state) {
        c.confirmed = world;
        c.confirmed_tick = tick;
        run.first_tick = tick + 1;
        run.own_input = c.next_input - 1 - replayed;
        WireWriter w({datagram}, PROTOCOL_VERSION_21);
        encode_tick_run(w, run);
        length = w.length;
        handle_datagram(c, datagram, length);
        adopt_snapshot(c);
        advance_client(c, closed, input);
        advance_client(c, closed, input);
        tick += 2;
        benchmark::DoNotOptimize(c.world.planes[0].pos);
    }
    const uint64_t frames = static_cast<uint64_t>(state.iterations());
    if (c.ticks_confirmed != 2 * frames || c.snapshots_adopted != frames) state.SkipWithError("run refused");
    state.counters["bytes"] = static_cast<double>(length);
}
BENCHMARK(BM_TickRunFrame)->ArgName("replayed")->Arg(2)->Arg(16)->Arg(240)->Unit(benchmark::kMicrosecond);

}  // namespace
