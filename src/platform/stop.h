#pragma once
// A request to stop the dedicated server: SIGINT or SIGTERM where the system
// has signals, Ctrl-C, Ctrl-Break and closing the console on Windows (told
// apart as SIGINT for Ctrl-C and SIGTERM for the rest). The request is a
// flag the server's loop looks at after every wait.
#include <csignal>

// Installs the handlers. Where the system has signals the two stop signals
// are blocked except while wait_sockets sleeps, so a request is never missed
// between looking at the flag and going to sleep; SIGPIPE is ignored.
void install_stop_handlers();

// The signal that asked to stop (SIGINT or SIGTERM), or 0.
int stop_requested();

// Asks to stop as `signal_number` does (a host that runs the server on a
// thread of its own uses it), or, with 0, withdraws the request.
void request_stop(int signal_number);
