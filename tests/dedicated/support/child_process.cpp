#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

extern char** environ;

namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (std::string& t : texts) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

// The program's file: a name without a slash is looked up on PATH, as a
// shell would, before the fork (the child may not allocate).
std::string program_path(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = ::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string candidate = folders.substr(start, end - start) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return name;
}

// Runs in the child between fork and exec: only async-signal-safe calls
// (the test may have other threads, whose locks the child inherits held).
[[noreturn]] void become_child(const char* path, char* const* argv, char* const* envp, pid_t parent, int output_fd) {
    // Killed when the test goes, however it goes. The parent may have gone
    // already between fork and here: then nobody would send the signal.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || ::getppid() != parent) ::_exit(126);
    const int null_fd = ::open("/dev/null", O_RDONLY);
    if (null_fd < 0 || ::dup2(null_fd, 0) < 0) ::_exit(126);
    if (::dup2(output_fd, 1) < 0 || ::dup2(output_fd, 2) < 0) ::_exit(126);
    // Nothing else of the test's: no sockets, no pipes of other children.
    ::syscall(SYS_close_range, 3u, UINT_MAX, 0u);
    ::execve(path, argv, envp);
    ::_exit(127);
}

}  // namespace

pid_t spawn_tied_child(const std::vector<std::string>& argv, int output_fd,
                       const std::vector<std::string>* environment) {
    if (argv.empty()) return -1;
    // Everything the child needs is built before the fork.
    const std::string path = program_path(argv[0]);
    std::vector<std::string> args = argv;
    std::vector<char*> arg_pointers = pointers(args);
    std::vector<std::string> env;
    if (environment) env = *environment;
    std::vector<char*> env_pointers = pointers(env);
    char* const* envp = environment ? env_pointers.data() : environ;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) become_child(path.c_str(), arg_pointers.data(), envp, parent, output_fd);
    return pid;
}
