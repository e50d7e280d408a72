// One server tick with eight players on the busy world, with and without the
// eight snapshots of an even tick. What one tick costs bounds how many
// sessions one server core can host.
#include <benchmark/benchmark.h>
#include <openssl/crypto.h>

#include <atomic>
#include <cstdlib>

#include "busy_world.h"
#include "net/messages.h"
#include "net/ticks.h"
#include "server/handshake.h"
#include "server/server_session.h"
#include "world/generate.h"

namespace {

void quiet(LogLevel, std::string_view) {}

Endpoint player(int i) { return make_endpoint(10, 1, 0, static_cast<uint8_t>(i + 1), 7777); }

ServerSession* busy_session(uint8_t protocol = PROTOCOL_VERSION) {
    const World w = busy_world();
    ServerSession* s = create_session(w);
    s->log_sink = quiet;
    for (int i = 0; i < MAX_PLANES; ++i) {
        // A v21 join echoes the cookie its Challenge would have carried.
        uint8_t join[MAX_DATAGRAM];
        WireWriter writer(join, protocol);
        if (protocol == PROTOCOL_VERSION_21) {
            encode_join_request_21(writer, address_cookie(*s, player(i), s->tick / COOKIE_PERIOD));
        } else {
            encode_join_request(writer);
        }
        receive(*s, join, writer.length, player(i));
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

// What the proof of address costs a server: checking the cookie of a v21
// JoinRequest (two keyed hashes when it is of the previous period, as
// here, the dearer case). OpenSSL's allocations are counted through its own
// allocator hooks, set before it allocates anything.
namespace {

std::atomic<uint64_t> crypto_allocations{0};
void* counting_malloc(size_t n, const char*, int) {
    crypto_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n);
}
void* counting_realloc(void* p, size_t n, const char*, int) {
    crypto_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::realloc(p, n);
}
void plain_free(void* p, const char*, int) { std::free(p); }
const bool counting_set = CRYPTO_set_mem_functions(counting_malloc, counting_realloc, plain_free) == 1;

void BM_CookieCheck(benchmark::State& state) {
    World w;
    generate_world(w);
    ServerSession* s = create_session(w);
    s->tick = COOKIE_PERIOD + 5;
    const Endpoint from = make_endpoint(203, 0, 113, 7, 40000);
    const JoinCookie cookie = address_cookie(*s, from, 0);  // made in the period before
    bool all = true;
    const uint64_t before = crypto_allocations.load();
    for (auto _ : state) {
        all = cookie_accepted(*s, from, cookie) && all;
        benchmark::DoNotOptimize(all);
    }
    state.counters["allocations"] = benchmark::Counter(static_cast<double>(crypto_allocations.load() - before),
                                                       benchmark::Counter::kAvgIterations);
    state.counters["allocator_counted"] = counting_set ? 1 : 0;
    if (!all) state.SkipWithError("a good cookie was refused");
    destroy_session(s);
}
BENCHMARK(BM_CookieCheck);

}  // namespace
