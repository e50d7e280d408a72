#pragma once
// Shared by the two POSIX halves of the platform: the signal mask that
// wait_sockets sleeps with once the stop handlers are installed.
#include <csignal>

// Null before install_stop_handlers: the wait keeps the thread's own mask.
const sigset_t* stop_sleep_mask();
