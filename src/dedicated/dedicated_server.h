#pragma once
// The dedicated server: one ServerSession fed from a UDP socket, ticked 120
// times per second of real time, with the status listener on the same port.
//   start_server   sockets, the first map, the start-up log lines
//   run_server     the loop, until SIGINT or SIGTERM
//   stop_server    closes everything
// With registries given it also announces itself to them (announcer.h).
#include <cstdint>

#include "dedicated/announcer.h"
#include "dedicated/options.h"
#include "dedicated/sockets.h"
#include "dedicated/status_listener.h"
#include "dedicated/tick_clock.h"
#include "net/wire.h"

struct ServerSession;

// Datagrams handled per wake-up before the clock is looked at again, so that
// a flood cannot hold up the ticks.
constexpr int DATAGRAMS_PER_WAKE = 256;

struct DedicatedServer {
    ServerSession* session = nullptr;
    ServerSockets sockets;
    StatusListener status;
    TickClock clock;
    int64_t started_ns = 0;
    MapLayout layout = MapLayout::Random;
    uint64_t seed = 0;  // the current round's map seed
    const char* name = "";  // in the status reply; empty for none
    Announcer announcer;
    // Called after every tick (its datagrams have already gone out): a host
    // that runs the server on a thread of its own (a test, a tool) watches it here.
    void (*after_tick)(void* context, const ServerSession& session) = nullptr;
    void* after_tick_context = nullptr;
    uint8_t datagram[MAX_DATAGRAM];
};

// Returns 0 when the server is ready, else the exit status (1), after
// logging why.
int start_server(DedicatedServer& server, const ServerOptions& options);

// Serves until a stop is requested (install_stop_handlers, platform/stop.h,
// first). Logs the stop and returns 0.
int run_server(DedicatedServer& server);

void stop_server(DedicatedServer& server);

// A seed for a map when none was given: the wall clock's nanoseconds.
uint64_t seed_from_clock();
