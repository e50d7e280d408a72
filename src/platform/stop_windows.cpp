#include "platform/stop.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<int> requested{0};

// Runs on a thread of its own; the server's loop sees the flag after its
// current wait, which never lasts longer than one tick.
BOOL WINAPI on_console_event(DWORD event) {
    requested.store(event == CTRL_C_EVENT ? SIGINT : SIGTERM, std::memory_order_relaxed);
    return TRUE;
}

}  // namespace

void install_stop_handlers() { SetConsoleCtrlHandler(on_console_event, TRUE); }

int stop_requested() { return requested.load(std::memory_order_relaxed); }

void request_stop(int signal_number) { requested.store(signal_number, std::memory_order_relaxed); }
