// TEMPORARY: stand-ins for the client's interface and session code until the
// client subsystem provides the real functions of client_hooks.h. Delete this
// file when it does.
#include "app/app.h"
#include "app/client_hooks.h"

void on_key_down(App&, const SDL_KeyboardEvent&) {}
void on_text_input(App&, const char*) {}
void on_click(App&, float, float) {}

void start_status_queries(App& app) {
    // Without the status query, an entry can only be known to be unreachable
    // when it has no address at all.
    for (int i = 0; i < app.servers.count; ++i) {
        ServerEntry& entry = app.servers.entries[i];
        if (!entry.has_endpoint) entry.status.store(ServerStatus::Unreachable, std::memory_order_release);
    }
    app.status_recheck_timer = STATUS_RECHECK;
}
