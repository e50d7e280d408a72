#include "dedicated/signals.h"

#include <atomic>

namespace {

// Lock-free, so the handler may store into it.
std::atomic<int> requested_stop{0};
static_assert(std::atomic<int>::is_always_lock_free);

void on_stop(int signal_number) { requested_stop.store(signal_number, std::memory_order_relaxed); }

}  // namespace

void install_stop_signals(sigset_t& sleep_mask) {
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
}

int stop_signal() { return requested_stop.load(std::memory_order_relaxed); }

void request_stop(int signal_number) { requested_stop.store(signal_number, std::memory_order_relaxed); }
