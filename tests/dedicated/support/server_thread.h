#pragma once
// The dedicated server's loop on a thread of this process, for the tests
// that need to reach into its session (set its rules, watch its ticks).
// One at a time: the stop request is process-wide, like the signal it
// stands for.
#include <memory>
#include <thread>

#include "dedicated/dedicated_server.h"

struct ServerThread {
    std::unique_ptr<DedicatedServer> server = std::make_unique<DedicatedServer>();
    std::thread thread;
    int exit_status = -1;

    ServerThread() = default;
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;
    ~ServerThread();
};

// Opens the server (port 0 unless given); false when it could not start.
bool open_server_thread(ServerThread& t, ServerOptions options);
// Starts the loop. Set up the session and the tick watcher before.
void run_server_thread(ServerThread& t);
// Asks the loop to stop, waits for it and closes the server.
void stop_server_thread(ServerThread& t);
