#include "support/server_process.h"

#include "support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

using Clock = std::chrono::steady_clock;

uint16_t port_in_log(const std::string& log) {
    const std::string marker = "listening on ";
    const size_t at = log.find(marker);
    if (at == std::string::npos) return 0;
    const size_t colon = log.find(':', at + marker.size());
    const size_t end = log.find('\n', at);
    if (colon == std::string::npos || end == std::string::npos || colon > end) return 0;
    return static_cast<uint16_t>(std::stoul(log.substr(colon + 1, end - colon - 1)));
}

void read_log(ServerProcess* s) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(s->log_fd, buffer, sizeof buffer);
        if (n <= 0) return;
        std::lock_guard<std::mutex> lock(s->log_mutex);
        s->log.append(buffer, static_cast<size_t>(n));
    }
}

bool reap(pid_t pid, int timeout_ms, int& status) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace

bool start_server_process(ServerProcess& s, const std::string& binary, std::vector<std::string> args) {
    bool has_port = false;
    for (const std::string& a : args) has_port = has_port || a.starts_with("--port");
    if (!has_port) {
        args.push_back("--port");
        args.push_back("0");
    }
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
    std::vector<std::string> argv{binary};
    argv.insert(argv.end(), args.begin(), args.end());
    const pid_t pid = spawn_tied_child(argv, pipe_fds[1]);
    if (pid < 0) {
        ::close(pipe_fds[0]);
        ::close(pipe_fds[1]);
        return false;
    }
    ::close(pipe_fds[1]);
    s.pid = pid;
    s.log_fd = pipe_fds[0];
    s.log_reader = std::thread(read_log, &s);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < deadline) {
        s.port = port_in_log(server_log(s));
        if (s.port != 0) return true;
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            // It ended before listening: read its last words to the end
            // (the pipe closed with it), so that the log is whole.
            s.pid = -1;
            s.log_reader.join();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int stop_server_process(ServerProcess& s, int signal_number) {
    if (s.pid < 0) return -1;
    ::kill(s.pid, signal_number);
    int status = 0;
    int result = -1;
    if (reap(s.pid, 5000, status)) {
        result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else {
        ::kill(s.pid, SIGKILL);
        ::waitpid(s.pid, &status, 0);
    }
    s.pid = -1;
    if (s.log_reader.joinable()) s.log_reader.join();
    return result;
}

ServerProcess::~ServerProcess() {
    if (pid >= 0) stop_server_process(*this, SIGKILL);
    if (log_reader.joinable()) log_reader.join();
    if (log_fd >= 0) ::close(log_fd);
}

std::string server_log(const ServerProcess& s) {
    std::lock_guard<std::mutex> lock(s.log_mutex);
    return s.log;
}

bool wait_for_log(const ServerProcess& s, const std::string& text, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
        if (server_log(s).find(text) != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    } while (Clock::now() < deadline);
    return false;
}

long resident_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    }
    return -1;
}

int64_t cpu_time_ns(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which ends with the last ')'.
    const size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stoll(field);
        if (i == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return (utime + stime) * (1'000'000'000LL / ticks);
}

int64_t run_queue_wait_ns(pid_t pid) {
    // The second figure of the schedstat file: the time spent on a run queue.
    const std::string path = "/proc/" + std::to_string(pid) + "/schedstat";
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return -1;
    long long running = 0, waiting = -1;
    if (std::fscanf(f, "%lld %lld", &running, &waiting) != 2) waiting = -1;
    std::fclose(f);
    return waiting;
}
