// The registry holding 10,000 servers: announcements of servers it has
// checked already, its list as JSON, and both through real HTTP on loopback
// (the service and a keep-alive client in this process).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

#include "registry/registry.h"
#include "registry/service.h"

namespace {

constexpr int SERVERS = 10000;

uint32_t source_of(int i) { return 0x0A000000u + static_cast<uint32_t>(i); }  // 10.0.x.y

// Every server announced once and its check answered, as if by a checker
// (which takes it off the queue of checks).
void fill(Registry& r, int64_t now) {
    StatusReply reply;
    reply.version = 20;
    reply.max_players = 8;
    for (int i = 0; i < SERVERS; ++i) {
        announce(r, source_of(i), R"({"port": 7777, "name": "A server of the benchmark"})", now);
        r.check_head = r.check_count = 0;
        reply.players = static_cast<uint8_t>(i % 9);
        finish_check(r, {source_of(i), 7777}, &reply, now);
    }
}

void BM_AnnounceCheckedServer(benchmark::State& state) {
    Registry r;
    init_registry(r);
    fill(r, 0);
    int i = 0;
    int64_t now = 1;
    for (auto _ : state) {
        const Answer a = announce(r, source_of(i), R"({"port": 7777, "name": "A server of the benchmark"})", now);
        if (a.status != 200) state.SkipWithError("not listed");
        if (++i == SERVERS) i = 0;
        now += 1;  // each server every 10 s of this clock: well inside its allowance
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnnounceCheckedServer);

void BM_ServerListUnchanged(benchmark::State& state) {
    Registry r;
    init_registry(r);
    fill(r, 0);
    for (auto _ : state) benchmark::DoNotOptimize(server_list_body(r, 1));
}
BENCHMARK(BM_ServerListUnchanged);

// The list made again after a change (a check's answer).
void BM_ServerListRemade(benchmark::State& state) {
    Registry r;
    init_registry(r);
    fill(r, 0);
    for (auto _ : state) {
        r.list_stale = true;
        benchmark::DoNotOptimize(server_list_body(r, 1));
    }
    state.counters["bytes"] = static_cast<double>(server_list_body(r, 1)->size());
}
BENCHMARK(BM_ServerListRemade)->Unit(benchmark::kMillisecond);

struct LiveRegistry {
    RegistryService service;
    std::thread thread;
    LiveRegistry() {
        RegistryOptions options;
        options.port = 0;
        options.forget_after_ms = 3600000;
        if (start_registry(service, options)) return;
        stop_checker(service.registry);  // nothing here answers its checks
        fill(service.registry, registry_now_ms());
        // Listening already: connections wait in the system's queue until it runs.
        thread = std::thread([this] { run_registry(service); });
    }
    ~LiveRegistry() {
        stop_registry(service);
        if (thread.joinable()) thread.join();
    }
};

void BM_HttpGetServers(benchmark::State& state) {
    LiveRegistry live;
    httplib::Client client("127.0.0.1", live.service.port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    size_t bytes = 0;
    for (auto _ : state) {
        const auto reply = client.Get("/servers");
        if (!reply || reply->status != 200) state.SkipWithError("no list");
        bytes = reply ? reply->body.size() : 0;
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HttpGetServers)->Unit(benchmark::kMillisecond)->UseRealTime();

// From one address, so the registry soon answers 429 to most: the cost of
// an announcement through HTTP, whatever its answer.
void BM_HttpAnnounce(benchmark::State& state) {
    LiveRegistry live;
    httplib::Client client("127.0.0.1", live.service.port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    for (auto _ : state) {
        const auto reply = client.Post("/announce", R"({"port": 7777})", "application/json");
        if (!reply) state.SkipWithError("no answer");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HttpAnnounce)->UseRealTime();

}  // namespace
