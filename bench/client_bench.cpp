// What one snapshot costs the client: decoding it into the scratch world,
// adopting it and replaying the inputs the server has not applied yet, on a
// busy world. The worst case replays 240 inputs, and a frame may take up to
// eight snapshots.
#include <benchmark/benchmark.h>

#include "busy_world.h"
#include "client/client_session.h"
#include "net/snapshot.h"

namespace {

// range(0): the number of inputs the snapshot leaves to replay (0..240).
void BM_ApplySnapshot(benchmark::State& state) {
    const uint32_t replayed = static_cast<uint32_t>(state.range(0));
    static World world = busy_world();
    static ClientSession c;
    reset_client_session(c);
    c.state = ConnectionState::Joined;
    c.own_slot = 0;
    // 400 inputs made, of which the snapshot applied all but `replayed`.
    c.next_input = 401;
    for (uint32_t n = 1; n <= 400; ++n) {
        c.history[n % INPUT_HISTORY] = {n % 7 == 0, n % 5 == 0, n % 2 == 0, true, n % 40 == 0, 0};
    }
    const uint32_t acknowledged = 400 - replayed;

    static uint8_t datagram[MAX_DATAGRAM];
    WireWriter w(datagram);
    encode_snapshot(w, world, 1000, acknowledged);
    const size_t length = w.length;

    for (auto _ : state) {
        c.last_snapshot_tick = 0;
        c.acknowledged_input = 0;
        handle_datagram(c, datagram, length);
        benchmark::DoNotOptimize(c.world.planes[0].pos);
    }
    if (c.snapshots_accepted != static_cast<uint64_t>(state.iterations())) state.SkipWithError("snapshot refused");
    state.counters["bytes"] = static_cast<double>(length);
    state.counters["objects"] = static_cast<double>(world.object_count);
    state.counters["shots"] = static_cast<double>(world.shot_count);
}
BENCHMARK(BM_ApplySnapshot)->Arg(0)->Arg(16)->Arg(240)->Unit(benchmark::kMicrosecond);

}  // namespace
