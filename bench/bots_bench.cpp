// What the bots cost: one bot's decision on the busy world (eight planes,
// 64 objects, 64 shots), steady and with a full look at the field on every
// call, and a server tick with seven bots and one person, to set beside
// BM_ServerTick's eight people.
#include <benchmark/benchmark.h>

#include "bots/bot.h"
#include "busy_world.h"
#include "net/messages.h"
#include "server/bot_slots.h"
#include "server/server_session.h"

namespace {

void quiet(LogLevel, std::string_view) {}

// range(0) = 1: the bot looks at the whole field on every call (its plan,
// its targets), the most a decision can cost; 0: as it plays, looking again
// only every few ticks.
void BM_BotDecision(benchmark::State& state) {
    const bool look_every_tick = state.range(0) != 0;
    const World w = busy_world();
    Bot bots[MAX_PLANES];
    for (uint8_t i = 0; i < MAX_PLANES; ++i) bots[i] = make_bot(i, BotSkill::Hard, 1000 + i);
    uint64_t fired = 0;
    for (auto _ : state) {
        for (Bot& b : bots) {
            if (look_every_tick) b.plan_in = 0;
            const PlaneInput in = decide(b, w);
            fired += in.fire;
            benchmark::DoNotOptimize(in);
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * MAX_PLANES);
    state.counters["fired"] = static_cast<double>(fired) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_BotDecision)->ArgName("look_every_tick")->Arg(0)->Arg(1);

// range(0) = 1: the even tick that builds the person's snapshot.
void BM_ServerTickSevenBots(benchmark::State& state) {
    const bool snapshots = state.range(0) != 0;
    const World w = busy_world();
    ServerSession* s = create_session(w);
    s->log_sink = quiet;
    const Endpoint person = make_endpoint(10, 1, 0, 1, 7777);
    uint8_t join[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
    receive(*s, join, sizeof join, person);
    set_bots(*s, MAX_PLANES, BotSkill::Hard, false, 77);
    keep_bot_count(*s);
    for (int i = 0; i < MAX_PLANES; ++i) s->world.planes[i] = w.planes[i];  // back where the busy world had them
    uint32_t number = 0;
    for (auto _ : state) {
        ++number;
        const uint32_t phase = (number / 30) % 4;
        const InputByte in{phase == 0, phase == 2, phase != 3, true, false, ITEM_NONE};
        const uint8_t packed = pack_input(in);
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter writer(buffer);
        encode_input_batch(writer, number, {&packed, 1});
        receive(*s, buffer, writer.length, person);
        s->tick = snapshots ? (s->tick | 1) : (s->tick & ~uint64_t{1});
        server_tick(*s);
        while (pop_outgoing(*s)) {
        }
    }
    state.counters["bots"] = static_cast<double>(bots_in(*s));
    state.counters["shots"] = static_cast<double>(s->world.shot_count);
    destroy_session(s);
}
BENCHMARK(BM_ServerTickSevenBots)->ArgName("snapshots")->Arg(1)->Arg(0);

}  // namespace
