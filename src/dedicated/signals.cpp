#include "dedicated/signals.h"

namespace {

volatile std::sig_atomic_t requested_stop = 0;

void on_stop(int signal_number) { requested_stop = signal_number; }

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
    sigprocmask(SIG_BLOCK, &stops, &sleep_mask);
    sigdelset(&sleep_mask, SIGINT);
    sigdelset(&sleep_mask, SIGTERM);
}

int stop_signal() { return requested_stop; }
