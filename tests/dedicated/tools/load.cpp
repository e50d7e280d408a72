// skorvia_load: plays the real skorvia-server with scripted clients on
// loopback and reports what it costs and how well the clients predict.
//
//   skorvia_load [--protocol 20|21] [--clients N] [--seconds S] [--lossy] [--busy] [--layout fixed|random] [--seed N]
//   skorvia_load --soak [--protocol 20|21] [--minutes M] [--window M] [--network clean|lossy|both] [--rejoin S]
//                [--clients N] [--seed N]
//
// The clients speak protocol 21 unless --protocol 20 is given; both print
// the bytes each client received and, for 21, the world-hash mismatches the
// clients found and the server logged (there must be none).
//
// Reports, for the run: the share of accepted snapshots that moved the own
// plane (a non-zero prediction correction) and the largest such move; the
// bytes each client received per second; the server's CPU time per tick and
// share of one core; its resident memory. With --lossy the clients talk
// through a relay that drops 20%, repeats 10% and holds back 20% (up to
// 25 ms) of the datagrams each way. With --busy the server runs on a thread
// of this tool (the same loop as the program) on a random map filled with 64
// collectors in orbit while every plane fires: the worst case for the tick
// and the snapshot size; its CPU time is that thread's. --soak is the long
// run of soak.h (30 minutes in windows of 5 by default, both networks at once).
#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "script.h"
#include "server/server_session.h"
#include "support/server_process.h"
#include "support/server_thread.h"
#include "support/test_client.h"
#include "soak.h"
#include "support/udp_relay.h"
#include "world/forces.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

struct LoadOptions {
    int clients = 8;
    double seconds = 60;
    bool lossy = false;
    bool busy = false;
    std::string layout = "random";
    std::string seed = "1";
    bool soak = false;
    int protocol = PROTOCOL_VERSION_21;
    SoakOptions long_run;
};

bool parse_network(const std::string& name, SoakOptions& o) {
    o.clean = name == "clean" || name == "both";
    o.lossy = name == "lossy" || name == "both";
    return o.clean || o.lossy;
}

bool parse(int argc, char** argv, LoadOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--soak") o.soak = true;
        else if (a == "--minutes" && has_value) o.long_run.minutes = std::atof(argv[++i]);
        else if (a == "--window" && has_value) o.long_run.window_minutes = std::atof(argv[++i]);
        else if (a == "--rejoin" && has_value) o.long_run.rejoin_seconds = std::atof(argv[++i]);
        else if (a == "--network" && has_value) {
            if (!parse_network(argv[++i], o.long_run)) return false;
        } else if (a == "--lossy") o.lossy = true;
        else if (a == "--busy") o.busy = true;
        else if (a == "--clients" && has_value) o.clients = std::atoi(argv[++i]);
        else if (a == "--seconds" && has_value) o.seconds = std::atof(argv[++i]);
        else if (a == "--layout" && has_value) o.layout = argv[++i];
        else if (a == "--seed" && has_value) o.seed = argv[++i];
        else if (a == "--protocol" && has_value) o.protocol = std::atoi(argv[++i]);
        else return false;
    }
    if (!is_known_version(o.protocol)) return false;
    o.long_run.protocol = static_cast<uint8_t>(o.protocol);
    o.long_run.clients = o.clients;
    o.long_run.layout = o.layout;
    o.long_run.seed = o.seed;
    return o.clients >= 1 && o.clients <= 8 && o.seconds > 0 && o.long_run.minutes > 0 && o.long_run.window_minutes > 0;
}

bool busy_fire = false;

InputByte scripted(size_t client, uint64_t tick) { return patterned_input(client, tick, busy_fire); }

// Fills the world up to 64 objects with collectors on circular orbits
// around its planets.
void make_busy(World& w) {
    for (int i = 0; w.object_count < MAX_OBJECTS; ++i) {
        const CelestialBody& b = w.bodies[1 + i % (w.body_count - 1)];
        const float dist = b.radius + 90.0f + 5.0f * static_cast<float>(i);
        const float a = 0.7f * static_cast<float>(i);
        const Vec2 n{std::cos(a), std::sin(a)};
        WorldObject o = make_collector(wrap(b.pos + n * dist, w.size), a, w.rules);
        o.vel = Vec2{-n.y, n.x} * circular_speed(b, dist);
        w.objects[w.object_count++] = o;
    }
}

int64_t thread_cpu_ns(std::thread& t) {
    clockid_t clock;
    timespec now{};
    if (pthread_getcpuclockid(t.native_handle(), &clock) != 0 || clock_gettime(clock, &now) != 0) return -1;
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

long status_field_kb(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) return std::stol(line.substr(std::strlen(field)));
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    LoadOptions o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: skorvia_load [--protocol 20|21] [--clients N] [--seconds S] [--lossy] [--busy] [--layout fixed|random] [--seed N]\n"
                     "       skorvia_load --soak [--protocol 20|21] [--minutes M] [--window M] [--network clean|lossy|both] [--rejoin S] [--clients N] [--seed N]\n");
        return 2;
    }
    if (o.soak) return run_soak(o.long_run);
    busy_fire = o.busy;
    ServerProcess server;
    ServerThread host;
    if (o.busy) {
        ServerOptions options;
        options.port = 0;
        options.protocol_20 = true;  // the tool measures either protocol
        options.layout = o.layout == "fixed" ? MapLayout::Fixed : MapLayout::Random;
        options.seed_given = true;
        options.seed = std::strtoull(o.seed.c_str(), nullptr, 10);
        if (!open_server_thread(host, options) || host.server->session->world.body_count < 2) {
            std::fprintf(stderr, "the busy server needs the random layout\n");
            return 1;
        }
        make_busy(host.server->session->world);
        host.server->session->log_sink = [](LogLevel, std::string_view) {};
        run_server_thread(host);
        server.port = host.server->sockets.port;
    } else if (!start_server_process(server, SKORVIA_SERVER_BINARY, {"--layout", o.layout, "--seed", o.seed, "--protocol-20"})) {
        std::fprintf(stderr, "the server did not start:\n%s", server_log(server).c_str());
        return 1;
    }
    const Endpoint direct = make_endpoint(127, 0, 0, 1, server.port);
    std::unique_ptr<UdpRelay> relay = o.lossy ? std::make_unique<UdpRelay>(direct, LOSSY_NETWORK) : nullptr;

    std::vector<std::unique_ptr<TestClient>> owned;
    std::vector<TestClient*> clients;
    for (int i = 0; i < o.clients; ++i) {
        owned.push_back(connect_client(relay ? relay->endpoint() : direct, static_cast<uint8_t>(o.protocol)));
        clients.push_back(owned.back().get());
    }
    const bool all_joined = drive_until(clients, 5.0, scripted, [&] {
        return std::all_of(clients.begin(), clients.end(), [](TestClient* c) { return joined(*c); });
    });
    if (!all_joined) {
        std::fprintf(stderr, "not every client joined\n");
        return 1;
    }
    // Count from here: a second of play first, then the measured run.
    drive(clients, 1.0, scripted);
    std::vector<size_t> first_snapshot;
    std::vector<uint64_t> first_bytes;
    for (TestClient* c : clients) {
        first_snapshot.push_back(c->snapshots.size());
        first_bytes.push_back(c->bytes_received);
    }
    auto server_cpu = [&] { return o.busy ? thread_cpu_ns(host.thread) : cpu_time_ns(server.pid); };
    const int64_t cpu_before = server_cpu();
    const auto start = std::chrono::steady_clock::now();
    drive(clients, o.seconds, scripted);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int64_t cpu_after = server_cpu();
    const long rss = o.busy ? -1 : status_field_kb(server.pid, "VmRSS:");
    const long peak = o.busy ? -1 : status_field_kb(server.pid, "VmHWM:");
    const uint64_t objects = o.busy ? host.server->session->world.object_count : 0;
    const uint64_t shots = o.busy ? host.server->session->world.shot_count : 0;

    uint64_t snapshots = 0, corrected = 0, rejoins = 0, mismatches = 0;
    float largest = 0;
    double bytes_per_second = 0;
    for (size_t i = 0; i < clients.size(); ++i) {
        const TestClient& c = *clients[i];
        for (size_t k = first_snapshot[i]; k < c.snapshots.size(); ++k) {
            const SnapshotSeen& s = c.snapshots[k];
            if (!s.predicted) continue;
            ++snapshots;
            corrected += s.correction > 0.0f;
            largest = std::max(largest, s.correction);
        }
        rejoins += c.left_joined;
        mismatches += c.session.world_mismatches;
        bytes_per_second += static_cast<double>(c.bytes_received - first_bytes[i]) / elapsed;
    }
    bytes_per_second /= static_cast<double>(clients.size());
    const double ticks = elapsed * 120.0;
    const double cpu_seconds = static_cast<double>(cpu_after - cpu_before) / 1e9;

    std::printf("run: %d clients of protocol %d, %.1f s, %s network, layout %s, seed %s%s\n", o.clients, o.protocol, elapsed,
                o.lossy ? "lossy" : "clean", o.layout.c_str(), o.seed.c_str(), o.busy ? ", busy (server on a thread)" : "");
    if (o.busy) {
        std::printf("busy world at the end: %llu objects, %llu shots\n", static_cast<unsigned long long>(objects),
                    static_cast<unsigned long long>(shots));
    }
    std::printf("prediction: %llu snapshots, %.2f%% with a non-zero own-plane correction, largest %.3f units\n",
                static_cast<unsigned long long>(snapshots), snapshots ? 100.0 * corrected / snapshots : 0.0, largest);
    std::printf("clients: %.0f bytes received per client per second (%.1f kB/s), %llu rejoins\n", bytes_per_second,
                bytes_per_second / 1024.0, static_cast<unsigned long long>(rejoins));
    std::printf("world mismatches: %llu found by the clients\n", static_cast<unsigned long long>(mismatches));
    if (relay) {
        std::printf("relay: %llu datagrams, %llu dropped, %llu repeated, %llu held back\n",
                    static_cast<unsigned long long>(relay->counts().received.load()),
                    static_cast<unsigned long long>(relay->counts().dropped.load()),
                    static_cast<unsigned long long>(relay->counts().duplicated.load()),
                    static_cast<unsigned long long>(relay->counts().delayed.load()));
    }
    std::printf("server: %.2f%% of one core, %.1f us CPU per tick (sockets included)\n", 100.0 * cpu_seconds / elapsed,
                1e6 * cpu_seconds / ticks);
    if (!o.busy) std::printf("server: %ld kB resident (peak %ld kB)\n", rss, peak);

    for (TestClient* c : clients) close(c->link, joined(*c));
    if (o.busy) {
        stop_server_thread(host);
        return 0;
    }
    const int status = stop_server_process(server, SIGTERM);
    const std::string log = server_log(server);
    size_t reported = 0;
    for (size_t at = log.find("world differed"); at != std::string::npos; at = log.find("world differed", at + 1)) ++reported;
    std::printf("world mismatches: %zu reported to the server\n", reported);
    if (status != 0) {
        std::fprintf(stderr, "the server ended with %d:\n%s", status, server_log(server).c_str());
        return 1;
    }
    return 0;
}
