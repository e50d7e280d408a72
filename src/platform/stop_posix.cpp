#include "platform/stop.h"

#include <pthread.h>

#include <atomic>

#include "platform/stop_posix.h"

namespace {

// Lock-free, so the handler may store into it.
std::atomic<int> requested{0};
static_assert(std::atomic<int>::is_always_lock_free);

sigset_t sleep_mask;
bool installed = false;

void on_stop(int signal_number) { requested.store(signal_number, std::memory_order_relaxed); }

}  // namespace

void install_stop_handlers() {
    struct sigaction action {};
    action.sa_handler = on_stop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: the sleep must end
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stops, &sleep_mask);
    sigdelset(&sleep_mask, SIGINT);
    sigdelset(&sleep_mask, SIGTERM);
    installed = true;
}

const sigset_t* stop_sleep_mask() { return installed ? &sleep_mask : nullptr; }

int stop_requested() { return requested.load(std::memory_order_relaxed); }

void request_stop(int signal_number) { requested.store(signal_number, std::memory_order_relaxed); }
