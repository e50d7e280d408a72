#pragma once
// The real skorvia-server as a child process: started on a port of the
// system's choice, its log collected, stopped with a signal.
#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ServerProcess {
    pid_t pid = -1;
    uint16_t port = 0;
    int log_fd = -1;
    std::thread log_reader;
    mutable std::mutex log_mutex;
    std::string log;  // everything written to standard output and error so far

    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess();
};

// Starts `binary` with `args` (plus "--port 0" unless args name a port) and
// waits up to 10 s for its "listening on" line; the lines after it may still
// be on their way (wait_for_log). False when it did not come up; when it
// ended, `server.log` then holds all it wrote.
bool start_server_process(ServerProcess& server, const std::string& binary, std::vector<std::string> args);

// Sends `signal_number` and waits up to 5 s for the exit. Returns the exit
// status, 128 + n for a death by signal n, or -1 when it did not end (it is
// then killed).
int stop_server_process(ServerProcess& server, int signal_number);

std::string server_log(const ServerProcess& server);
// Waits up to `timeout_ms` for `text` to appear in the log.
bool wait_for_log(const ServerProcess& server, const std::string& text, int timeout_ms);

// Resident memory in kB, and user + system CPU time in ns, of a running
// process (from /proc); -1 when unknown.
long resident_kb(pid_t pid);
int64_t cpu_time_ns(pid_t pid);

// Time a process's main thread was ready to run but waited for a core, in
// ns, from the scheduler's statistics; -1 when unknown. A thread that
// sleeps, blocked in a read or waiting for its next tick, does not add to it.
int64_t run_queue_wait_ns(pid_t pid);
