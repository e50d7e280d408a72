#pragma once
// SIGINT and SIGTERM ask the server to stop. They are blocked except while
// the server sleeps in its wait for the sockets, so a request is never
// missed between looking at the flag and going to sleep.
#include <csignal>

// Installs the handlers and blocks the two signals; ignores SIGPIPE.
// Fills `sleep_mask` with the mask to sleep with (the two unblocked).
void install_stop_signals(sigset_t& sleep_mask);

// The signal that asked to stop, or 0.
int stop_signal();

// Asks the server to stop as `signal_number` does (a host that runs the
// server on a thread of its own uses it), or, with 0, withdraws the request.
void request_stop(int signal_number);
