#include "soak.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "script.h"
#include "support/server_process.h"
#include "support/test_client.h"
#include "support/udp_relay.h"

namespace {

constexpr int TICKS_PER_SECOND = 120;
constexpr long MEMORY_SLACK_KB = 1024;       // growth allowed after the first window
constexpr double STUCK_ROUND_SECONDS = 90;  // a boarding player that got nowhere hands over

// One client's prediction and traffic over a window.
struct ClientTally {
    uint64_t predicted = 0;  // snapshots with a correction to compare
    uint64_t corrected = 0;  // of those, a non-zero one
    float largest = 0;
    uint64_t bytes = 0;
    int64_t longest_gap_ns = 0;  // between two snapshots it accepted
    uint64_t mismatches = 0;     // v21: confirmed worlds whose hash differed from the server's
};

// What the server wrote to its log over a window.
struct LogTally {
    uint64_t joins = 0, leaves = 0, timeouts = 0, wins = 0, new_rounds = 0, errors = 0, warnings = 0;
    uint64_t mismatches = 0;  // "world differed" warnings
};

struct Window {
    double seconds = 0;
    long resident_kb = 0;
    double cpu_share = 0;  // of one core
    double tick_us = 0;    // server CPU per tick, sockets included
    ClientTally clients[8];
    LogTally log;
    double machine_load = 0;  // the machine's 5-minute load average at the end
    // Where late ticks come from: the server waiting for a core, and this
    // tool's clients ticking late.
    double server_queue_ms = 0;      // time the server was ready but not running
    double longest_client_pause_ms = 0;
};

struct SoakRun {
    bool lossy = false;
    std::vector<Window> windows;
    std::string failure;  // set when the run could not go on
    int server_status = -1;
    uint64_t relay_received = 0, relay_dropped = 0;
};

double load_average_5min() {
    double one = 0, five = 0;
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    if (!f) return -1;
    if (std::fscanf(f, "%lf %lf", &one, &five) != 2) five = -1;
    std::fclose(f);
    return five;
}

bool ends_with(std::string_view line, std::string_view tail) { return line.ends_with(tail); }

void count_log(std::string_view text, LogTally& t) {
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        t.joins += line.find(" joined from ") != std::string_view::npos;
        t.leaves += ends_with(line, " left");
        t.timeouts += ends_with(line, " timed out");
        t.wins += ends_with(line, " won");
        t.new_rounds += line.find("new round: ") != std::string_view::npos;
        t.errors += line.find("error:") != std::string_view::npos;
        t.warnings += line.find("warning:") != std::string_view::npos;
        t.mismatches += line.find("world differed from the server's") != std::string_view::npos;
    }
}

// The clients of one run, their scripts and what they saw so far.
struct Players {
    Endpoint server;
    std::vector<std::unique_ptr<TestClient>> owned;
    std::vector<TestClient*> clients;
    std::vector<uint64_t> bytes_counted;
    std::vector<uint64_t> mismatches_counted;
    std::vector<int64_t> last_arrival_ns;
    uint8_t protocol = PROTOCOL_VERSION_21;
    size_t boarding = 0;  // the client out to win this round
    bool round_over = false;
    uint64_t boarding_since = 0;
    uint64_t ticks = 0;
    uint64_t next_rejoin = 0;  // which client leaves next
};

// Folds what client i saw since the last call into `t`.
void absorb(Players& p, size_t i, ClientTally& t) {
    TestClient& c = *p.clients[i];
    for (const SnapshotSeen& s : c.snapshots) {
        if (p.last_arrival_ns[i] != 0) t.longest_gap_ns = std::max(t.longest_gap_ns, s.arrival_ns - p.last_arrival_ns[i]);
        p.last_arrival_ns[i] = s.arrival_ns;
        if (!s.predicted || s.new_round) continue;
        ++t.predicted;
        t.corrected += s.correction > 0.0f;
        t.largest = std::max(t.largest, s.correction);
    }
    c.snapshots.clear();
    t.bytes += c.bytes_received - p.bytes_counted[i];
    p.bytes_counted[i] = c.bytes_received;
    t.mismatches += c.session.world_mismatches - p.mismatches_counted[i];
    p.mismatches_counted[i] = c.session.world_mismatches;
}

bool connect(Players& p, size_t i) {
    std::unique_ptr<TestClient> fresh = connect_client(p.server, p.protocol);
    if (!fresh) return false;
    p.owned[i] = std::move(fresh);
    p.clients[i] = p.owned[i].get();
    p.bytes_counted[i] = 0;
    p.mismatches_counted[i] = 0;
    p.last_arrival_ns[i] = 0;
    return true;
}

// The boarding player changes after every round that ended, and when it
// got nowhere for a long while.
void follow_rounds(Players& p) {
    const World& w = p.clients[p.boarding]->session.world;
    const bool over = w.winner != NONE;
    const bool stuck = p.ticks - p.boarding_since > STUCK_ROUND_SECONDS * TICKS_PER_SECOND;
    if ((p.round_over && !over) || (!over && stuck)) {
        p.boarding = (p.boarding + 1) % p.clients.size();
        p.boarding_since = p.ticks;
    }
    p.round_over = over;
}

InputByte play(Players& p, size_t i, uint64_t tick) {
    if (i == p.boarding) return boarding_input(p.clients[i]->session, tick);
    return patterned_input(i, tick, false);
}

void run_one(const SoakOptions& o, SoakRun& run) {
    ServerProcess server;
    if (!start_server_process(server, SKORVIA_SERVER_BINARY,
                              {"--layout", o.layout, "--seed", o.seed, "--win-amount", "0", "--vessel-cost", "0", "--protocol-20"})) {
        run.failure = "the server did not start:\n" + server_log(server);
        return;
    }
    const Endpoint direct = make_endpoint(127, 0, 0, 1, server.port);
    std::unique_ptr<UdpRelay> relay = run.lossy ? std::make_unique<UdpRelay>(direct, LOSSY_NETWORK) : nullptr;

    Players p;
    p.server = relay ? relay->endpoint() : direct;
    p.protocol = o.protocol;
    p.owned.resize(static_cast<size_t>(o.clients));
    p.clients.resize(p.owned.size());
    p.bytes_counted.resize(p.owned.size());
    p.mismatches_counted.resize(p.owned.size());
    p.last_arrival_ns.resize(p.owned.size());
    for (size_t i = 0; i < p.owned.size(); ++i) {
        if (!connect(p, i)) {
            run.failure = "no socket for a client";
            return;
        }
    }
    auto script = [&](size_t i, uint64_t tick) { return play(p, i, tick); };
    const bool all_joined = drive_until(p.clients, 20.0, script, [&] {
        return std::all_of(p.clients.begin(), p.clients.end(), [](TestClient* c) { return joined(*c); });
    });
    if (!all_joined) {
        run.failure = "not every client joined";
        return;
    }
    for (size_t i = 0; i < p.clients.size(); ++i) {
        ClientTally joining;
        absorb(p, i, joining);  // the way in is not measured
    }
    const uint64_t rejoin_ticks = static_cast<uint64_t>(o.rejoin_seconds * TICKS_PER_SECOND);
    Window* current = nullptr;
    auto last_round = std::chrono::steady_clock::now();
    auto each_tick = [&] {
        const auto now = std::chrono::steady_clock::now();
        const double pause_ms = std::chrono::duration<double, std::milli>(now - last_round).count();
        current->longest_client_pause_ms = std::max(current->longest_client_pause_ms, pause_ms);
        last_round = now;
        ++p.ticks;
        follow_rounds(p);
        if (rejoin_ticks == 0 || p.ticks % rejoin_ticks != 0) return;
        // A player leaves (as a client does on its way out) and a new one takes its place.
        const size_t i = p.next_rejoin++ % p.clients.size();
        TestClient& c = *p.clients[i];
        absorb(p, i, current->clients[i]);
        close(c.link, joined(c));
        connect(p, i);
    };

    size_t log_seen = server_log(server).size();
    const int windows = std::max(1, static_cast<int>(o.minutes / o.window_minutes + 0.5));
    for (int n = 0; n < windows; ++n) {
        Window w;
        current = &w;
        const int64_t cpu_before = cpu_time_ns(server.pid);
        const int64_t queue_before = run_queue_wait_ns(server.pid);
        const auto start = std::chrono::steady_clock::now();
        last_round = start;
        // Tallies cover every client that played in the window, also one that left.
        drive(p.clients, o.window_minutes * 60.0, script, each_tick);
        for (size_t i = 0; i < p.clients.size(); ++i) absorb(p, i, w.clients[i]);
        w.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu_seconds = static_cast<double>(cpu_time_ns(server.pid) - cpu_before) / 1e9;
        w.cpu_share = cpu_seconds / w.seconds;
        w.tick_us = 1e6 * cpu_seconds / (w.seconds * TICKS_PER_SECOND);
        w.resident_kb = resident_kb(server.pid);
        w.server_queue_ms = static_cast<double>(run_queue_wait_ns(server.pid) - queue_before) / 1e6;
        w.machine_load = load_average_5min();
        const std::string log = server_log(server);
        count_log(std::string_view(log).substr(log_seen), w.log);
        log_seen = log.size();
        run.windows.push_back(w);
        std::fprintf(stderr, "soak (%s): window %d of %d done, %ld kB resident\n", run.lossy ? "lossy" : "clean", n + 1,
                     windows, w.resident_kb);
    }
    if (relay) {
        run.relay_received = relay->counts().received.load();
        run.relay_dropped = relay->counts().dropped.load();
    }
    for (TestClient* c : p.clients) close(c->link, joined(*c));
    run.server_status = stop_server_process(server, SIGTERM);
    // What the server wrote while stopping.
    const std::string log = server_log(server);
    LogTally tail;
    count_log(std::string_view(log).substr(log_seen), tail);
    if (!run.windows.empty()) {
        run.windows.back().log.errors += tail.errors;
        run.windows.back().log.warnings += tail.warnings;
    }
}

double share(const ClientTally& t) { return t.predicted ? 100.0 * t.corrected / t.predicted : 0.0; }

ClientTally all_clients(const Window& w, int clients) {
    ClientTally sum;
    for (int i = 0; i < clients; ++i) {
        sum.predicted += w.clients[i].predicted;
        sum.corrected += w.clients[i].corrected;
        sum.largest = std::max(sum.largest, w.clients[i].largest);
        sum.bytes += w.clients[i].bytes;
        sum.longest_gap_ns = std::max(sum.longest_gap_ns, w.clients[i].longest_gap_ns);
        sum.mismatches += w.clients[i].mismatches;
    }
    return sum;
}

double worst_share(const Window& w, int clients) {
    double worst = 0;
    for (int i = 0; i < clients; ++i) worst = std::max(worst, share(w.clients[i]));
    return worst;
}

// Prints the run's table and returns whether every goal held.
bool report(const SoakOptions& o, const SoakRun& run) {
    std::printf("\n%s network, %d clients of protocol %d, windows of %g min%s\n\n", run.lossy ? "lossy" : "clean",
                o.clients, o.protocol, o.window_minutes, run.lossy ? " (relay: 20% dropped, 10% repeated, 20% held back up to 25 ms)" : "");
    if (!run.failure.empty()) {
        std::printf("FAILED: %s\n", run.failure.c_str());
        return false;
    }
    std::printf("| window | server memory | server CPU | CPU per tick | corrected snapshots: count, share (worst client) "
                "| largest correction (wu) | bytes per client per s | joins / leaves (timeouts) | rounds won | machine load "
                "| server waiting for a core | longest client pause | longest snapshot gap | world mismatches (clients / server) |\n");
    std::printf("| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |\n");
    for (size_t n = 0; n < run.windows.size(); ++n) {
        const Window& w = run.windows[n];
        const ClientTally sum = all_clients(w, o.clients);
        std::printf("| %g-%g min | %ld kB | %.1f%% | %.0f us | %llu of %llu, %.3f%% (%.3f%%) | %.2f | %.0f | %llu / %llu (%llu) "
                    "| %llu | %.1f | %.0f ms | %.0f ms | %.0f ms | %llu / %llu |\n",
                    static_cast<double>(n) * o.window_minutes, static_cast<double>(n + 1) * o.window_minutes, w.resident_kb,
                    100.0 * w.cpu_share, w.tick_us, static_cast<unsigned long long>(sum.corrected),
                    static_cast<unsigned long long>(sum.predicted), share(sum), worst_share(w, o.clients), sum.largest,
                    static_cast<double>(sum.bytes) / w.seconds / o.clients, static_cast<unsigned long long>(w.log.joins),
                    static_cast<unsigned long long>(w.log.leaves), static_cast<unsigned long long>(w.log.timeouts),
                    static_cast<unsigned long long>(w.log.wins), w.machine_load, w.server_queue_ms,
                    w.longest_client_pause_ms, static_cast<double>(sum.longest_gap_ns) / 1e6,
                    static_cast<unsigned long long>(sum.mismatches), static_cast<unsigned long long>(w.log.mismatches));
    }
    std::printf("\nper client, corrected snapshots / largest correction (wu):\n");
    for (size_t n = 0; n < run.windows.size(); ++n) {
        std::printf("  window %zu:", n + 1);
        for (int i = 0; i < o.clients; ++i) {
            const ClientTally& t = run.windows[n].clients[i];
            std::printf(" %llu/%.1f", static_cast<unsigned long long>(t.corrected), t.largest);
        }
        std::printf("\n");
    }
    if (run.lossy) {
        std::printf("relay: %llu datagrams, %llu dropped\n", static_cast<unsigned long long>(run.relay_received),
                    static_cast<unsigned long long>(run.relay_dropped));
    }

    bool ok = run.server_status == 0;
    if (!ok) std::printf("FAILED: the server ended with %d\n", run.server_status);
    const Window& first = run.windows.front();
    const double first_share = share(all_clients(first, o.clients));
    uint64_t errors = 0, warnings = 0, new_rounds = 0, wins = 0, client_mismatches = 0;
    long low = first.resident_kb, high = first.resident_kb;
    for (size_t n = 0; n < run.windows.size(); ++n) {
        const Window& w = run.windows[n];
        errors += w.log.errors;
        warnings += w.log.warnings;
        new_rounds += w.log.new_rounds;
        wins += w.log.wins;
        client_mismatches += all_clients(w, o.clients).mismatches;
        low = std::min(low, w.resident_kb);
        high = std::max(high, w.resident_kb);
        if (n > 0 && share(all_clients(w, o.clients)) > first_share) {
            std::printf("FAILED: window %zu corrected more snapshots than the first\n", n + 1);
            ok = false;
        }
    }
    std::printf("rounds: %llu won, %llu started over; server log: %llu error lines, %llu warning lines\n",
                static_cast<unsigned long long>(wins), static_cast<unsigned long long>(new_rounds),
                static_cast<unsigned long long>(errors), static_cast<unsigned long long>(warnings));
    std::printf("server memory after the first window: %ld to %ld kB\n", low, high);
    if (high - low > MEMORY_SLACK_KB) {
        std::printf("FAILED: the server's memory moved by more than %ld kB\n", MEMORY_SLACK_KB);
        ok = false;
    }
    if (errors + warnings > 0) {
        std::printf("FAILED: the server logged errors or warnings\n");
        ok = false;
    }
    if (wins == 0) {
        std::printf("FAILED: no round was won\n");
        ok = false;
    }
    std::printf("world mismatches: %llu found by the clients\n", static_cast<unsigned long long>(client_mismatches));
    if (client_mismatches > 0) {
        std::printf("FAILED: a client's confirmed world differed from the server's\n");
        ok = false;
    }
    return ok;
}

}  // namespace

int run_soak(const SoakOptions& o) {
    std::vector<SoakRun> runs;
    if (o.clean) runs.push_back(SoakRun{});
    if (o.lossy) {
        runs.push_back(SoakRun{});
        runs.back().lossy = true;
    }
    std::vector<std::thread> threads;
    for (SoakRun& run : runs) threads.emplace_back([&o, &run] { run_one(o, run); });
    for (std::thread& t : threads) t.join();
    bool ok = true;
    for (const SoakRun& run : runs) ok = report(o, run) && ok;
    std::printf("\n%s\n", ok ? "soak: every goal held" : "soak: FAILED");
    return ok ? 0 : 1;
}
