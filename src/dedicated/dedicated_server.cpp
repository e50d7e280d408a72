#include "dedicated/dedicated_server.h"

#include <chrono>
#include <csignal>

#include "base/log.h"
#include "dedicated/rounds.h"
#include "platform/stop.h"
#include "server/bot_slots.h"
#include "server/server_session.h"
#include "world/world.h"

namespace {

// The wait set: the UDP socket, the listening TCP socket and every open
// status connection.
constexpr int WAIT_CAPACITY = 2 + STATUS_CONNECTIONS_MAX;

// Datagrams go to the socket as soon as the session builds them, so the
// session's queue stays empty.
void send_at_once(void* context, const uint8_t* bytes, size_t length, Endpoint to) {
    // A full send buffer or any error drops the datagram.
    send_datagram_to(static_cast<DedicatedServer*>(context)->sockets.udp, bytes, length, to);
}

// Sleeps until a socket is ready, the next tick is due, or a stop signal
// arrives.
void wait_for_sockets(DedicatedServer& s) {
    SocketWait waits[WAIT_CAPACITY];
    size_t count = 0;
    waits[count++] = SocketWait{s.sockets.udp, SOCKET_READABLE, 0};
    waits[count++] = SocketWait{s.sockets.tcp, SOCKET_READABLE, 0};
    for (const StatusConnection& c : s.status.connections) {
        if (c.socket != NO_SOCKET) waits[count++] = SocketWait{c.socket, SOCKET_READABLE, 0};
    }
    // Ends early on a signal; the loop looks at the stop request then.
    wait_sockets(waits, count, next_tick_due(s.clock) - monotonic_ns());
}

void read_datagrams(DedicatedServer& s) {
    for (int i = 0; i < DATAGRAMS_PER_WAKE; ++i) {
        Endpoint from;
        const long length = receive_datagram_from(s.sockets.udp, s.datagram, sizeof s.datagram, from);
        if (length < 0) return;
        receive(*s.session, s.datagram, static_cast<size_t>(length), from);
    }
}

void log_round(MapLayout layout, uint64_t seed, const char* what) {
    LogText line;
    line << what << "layout " << layout_name(layout) << ", seed " << static_cast<unsigned long long>(seed);
    log_line(LogLevel::Info, line);
}

void run_due_ticks(DedicatedServer& s) {
    const uint32_t due = take_due_ticks(s.clock, monotonic_ns());
    for (uint32_t i = 0; i < due; ++i) {
        server_tick(*s.session);
        if (round_finished(s.session->world)) {
            ++s.seed;
            start_next_round(*s.session, s.layout, s.seed);
            log_round(s.layout, s.seed, "new round: ");
        }
        if (s.after_tick) s.after_tick(s.after_tick_context, *s.session);
    }
}

}  // namespace

uint64_t seed_from_clock() {
    return static_cast<uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

int start_server(DedicatedServer& s, const ServerOptions& options) {
    char error[160];
    const OpenOutcome opened = open_server_sockets(options.port, s.sockets, error, sizeof error);
    if (opened == OpenOutcome::PortTaken) {
        LogText line;
        line << "port " << static_cast<unsigned>(options.port) << " is already in use (" << error
             << "); is another server running? Choose another with --port";
        log_line(LogLevel::Error, line);
        return 1;
    }
    if (opened != OpenOutcome::Ok) {
        LogText line;
        line << "can't open the server's sockets: " << error;
        log_line(LogLevel::Error, line);
        return 1;
    }
    s.status.listener = s.sockets.tcp;
    s.layout = options.layout;
    s.seed = options.seed_given ? options.seed : seed_from_clock();

    World* world = new World;
    make_round_world(*world, s.layout, s.seed);
    if (options.win_amount_given) world->rules.win_amount = options.win_amount;
    if (options.vessel_cost_given) world->rules.exit_vessel_cost = options.vessel_cost;
    s.session = create_session(*world);
    delete world;
    if (!s.session) {
        log_line(LogLevel::Error, "not enough memory for the server session");
        close_server_sockets(s.sockets);
        return 1;
    }
    s.session->accepts_protocol_20 = options.protocol_20;
    s.session->send_now = send_at_once;
    s.session->send_context = &s;
    // The bots' decisions are drawn from the first map's seed, so a game of
    // bots replays from its logged seed.
    set_bots(*s.session, options.bots, options.bot_skill, options.bots_always, s.seed);

    LogText line;
    line << "listening on 0.0.0.0:" << static_cast<unsigned>(s.sockets.port);
    log_line(LogLevel::Info, line);
    log_round(s.layout, s.seed, "");
    if (options.protocol_20) log_line(LogLevel::Info, "serving protocol 20 too: only on a network you trust");
    if (options.bots > 0) {
        LogText bots;
        bots << "bots fill up to " << static_cast<unsigned>(options.bots) << " planes, skill "
             << skill_name(options.bot_skill) << (options.bots_always ? ", always" : ", while a person plays");
        log_line(LogLevel::Info, bots);
    }
    s.started_ns = monotonic_ns();
    s.clock = start_tick_clock(s.started_ns);
    s.name = options.name;
    start_announcer(s.announcer, options, s.sockets.port);
    return 0;
}

int run_server(DedicatedServer& s) {
    while (stop_requested() == 0) {
        wait_for_sockets(s);
        if (stop_requested() != 0) break;
        read_datagrams(s);
        const int64_t now = monotonic_ns();
        const uint64_t uptime = static_cast<uint64_t>((now - s.started_ns) / 1'000'000'000);
        serve_status(s.status,
                     StatusFacts{people_in(*s.session), bots_in(*s.session), uptime, s.name, s.session->accepts_protocol_20},
                     now);
        run_due_ticks(s);
    }
    LogText line;
    line << "stopping on " << (stop_requested() == SIGINT ? "SIGINT" : "SIGTERM");
    log_line(LogLevel::Info, line);
    return 0;
}

void stop_server(DedicatedServer& s) {
    stop_announcer(s.announcer);
    close_status_connections(s.status);
    close_server_sockets(s.sockets);
    destroy_session(s.session);
    s.session = nullptr;
}
