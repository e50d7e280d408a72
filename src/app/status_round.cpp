// A round of status queries for the server list: one short-lived detached
// worker per entry, which writes only into its own entry (the result first,
// then the status that publishes it).
#include <thread>

#include "app/app.h"
#include "app/client_hooks.h"
#include "net/status_query.h"

namespace {

// A worker that can't be started, for whatever reason (no thread left, no
// memory for its state), leaves the entry offline until the next round.
void start_query(ServerEntry& entry) {
    entry.status.store(ServerStatus::Checking, std::memory_order_release);
    try {
        std::thread([&entry] { query_status(entry); }).detach();
    } catch (...) {
        entry.status.store(ServerStatus::Unreachable, std::memory_order_release);
    }
}

}  // namespace

ServerScreenShape server_screen_shape(const App& app) { return {server_list_shape(app.servers), app.internet.count > 0}; }

void start_status_queries(App& app) {
    for (int i = 0; i < app.servers.count; ++i) {
        ServerEntry& entry = server_at(app.servers, i);
        if (!entry.has_endpoint) {
            entry.status.store(ServerStatus::Unreachable, std::memory_order_release);
        } else if (entry.status.load(std::memory_order_acquire) != ServerStatus::Checking) {
            start_query(entry);
        }
    }
    app.status_recheck_timer = STATUS_RECHECK;
}
