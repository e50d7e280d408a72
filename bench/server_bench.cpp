// One server tick with eight players on the busy world, with and without the
// eight snapshots of an even tick. What one tick costs bounds how many
// sessions one server core can host.
#include <benchmark/benchmark.h>

#include "busy_world.h"
#include "net/messages.h"
#include "net/ticks.h"
#include "server/server_session.h"

namespace {

void quiet(LogLevel, std::string_view) {}

Endpoint player(int i) { return make_endpoint(10, 1, 0, static_cast<uint8_t>(i + 1), 7777); }

ServerSession* busy_session(uint8_t protocol = PROTOCOL_VERSION) {
    const World w = busy_world();
    ServerSession* s = create_session(w);
    s->log_sink = quiet;
    for (int i = 0; i < MAX_PLANES; ++i) {
        uint8_t join[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, protocol, TAG_JOIN_REQUEST};
        receive(*s, join, sizeof join, player(i));
        s->world.planes[i] = w.planes[i];  // joined, then back where the busy world had it
    }
    while (pop_outgoing(*s)) {
    }
    return s;
}

// Input `number` of every player. Fire always; turn and thrust in a slow
// rhythm that differs per player. A v21 player holds the world of the tick
// before (after the first few ticks, once it has it).
void send_inputs(ServerSession& s, uint32_t number, uint8_t protocol) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const uint32_t phase = (number / 30 + i) % 4;
        const InputByte in{phase == 0, phase == 2, phase != 3, true, false, ITEM_NONE};
        const uint8_t packed = pack_input(in);
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer, protocol);
        if (protocol == PROTOCOL_VERSION_21) {
            const WorldReport held{number > 4, false, static_cast<uint32_t>(s.tick)};
            encode_input_batch_21(w, number, {&packed, 1}, held);
        } else {
            encode_input_batch(w, number, {&packed, 1});
        }
        receive(s, buffer, w.length, player(i));
    }
}

// range(0) = 1: the even tick that builds the snapshots; 0: an odd tick.
void BM_ServerTick(benchmark::State& state) {
    const bool snapshots = state.range(0) != 0;
    ServerSession* s = busy_session();
    uint32_t number = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        send_inputs(*s, ++number, PROTOCOL_VERSION);
        s->tick = snapshots ? (s->tick | 1) : (s->tick & ~uint64_t{1});
        server_tick(*s);
        while (const OutgoingDatagram* d = pop_outgoing(*s)) bytes += d->length;
    }
    state.counters["snapshot_bytes"] = benchmark::Counter(static_cast<double>(bytes) / state.iterations() / MAX_PLANES);
    state.counters["shots"] = static_cast<double>(s->world.shot_count);
    state.counters["objects"] = static_cast<double>(s->world.object_count);
    destroy_session(s);
}
BENCHMARK(BM_ServerTick)->ArgName("snapshots")->Arg(1)->Arg(0);

// Server ticks one after the other (odd and even alike) with eight players
// of range(0)'s protocol, each sending one input per tick; a v21 player
// acknowledges every tick at once, as over loopback. The cost per tick
// averages the snapshot ticks (v20) or run ticks (v21) with the quiet ones.
void BM_ServerTicks(benchmark::State& state) {
    const uint8_t protocol = static_cast<uint8_t>(state.range(0));
    ServerSession* s = busy_session(protocol);
    uint32_t number = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        send_inputs(*s, ++number, protocol);
        server_tick(*s);
        while (const OutgoingDatagram* d = pop_outgoing(*s)) bytes += d->length;
    }
    state.counters["bytes_per_player_tick"] =
        benchmark::Counter(static_cast<double>(bytes) / state.iterations() / MAX_PLANES);
    destroy_session(s);
}
BENCHMARK(BM_ServerTicks)->ArgName("protocol")->Arg(20)->Arg(21);

}  // namespace
