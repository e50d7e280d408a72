#pragma once
// A program started by a test, tied to it: it dies with the thread that
// started it (even when the test is killed or crashes), and it writes into a
// descriptor of the test's own, never into the test's inherited standard
// output, which would keep a test runner waiting for a pipe that never closes.
#include <sys/types.h>

#include <string>
#include <vector>

// Starts argv[0] with `argv`. Its standard input is /dev/null; its standard
// output and error both go to `output_fd` (the write end of the caller's
// pipe, or a file); no other descriptor of the test reaches it. With
// `environment` the program gets exactly those "NAME=value" entries,
// otherwise the test's own. Returns the pid, or -1 when it could not start.
//
// Linux delivers the parent-death signal when the starting *thread* ends:
// start children from the thread that outlives them (a test's own thread).
pid_t spawn_tied_child(const std::vector<std::string>& argv, int output_fd,
                       const std::vector<std::string>* environment = nullptr);
