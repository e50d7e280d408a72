#include "support/server_thread.h"

#include <csignal>

#include "platform/stop.h"

bool open_server_thread(ServerThread& t, ServerOptions options) {
    request_stop(0);
    return start_server(*t.server, options) == 0;
}

void run_server_thread(ServerThread& t) {
    t.thread = std::thread([&t] { t.exit_status = run_server(*t.server); });
}

void stop_server_thread(ServerThread& t) {
    if (t.thread.joinable()) {
        request_stop(SIGTERM);
        t.thread.join();
    }
    if (t.server->session) stop_server(*t.server);
    request_stop(0);
}

ServerThread::~ServerThread() { stop_server_thread(*this); }
