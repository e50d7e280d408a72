#pragma once
// skorvia_load --soak: the real skorvia-server played for a long while by
// scripted clients, on a clean network and through the lossy relay at once,
// with rounds won and started over and players leaving and joining again.
// Prints one table row per window; the run fails when the server's memory
// grows, prediction gets worse than in the first window, or the server logs
// an error or a warning.
#include <cstdint>
#include <string>

struct SoakOptions {
    int clients = 8;
    double minutes = 30;
    double window_minutes = 5;
    double rejoin_seconds = 100;  // one client leaves and joins again this often
    bool clean = true;
    bool lossy = true;
    std::string layout = "random";
    std::string seed = "1";
    uint8_t protocol = 21;  // the clients' protocol, 20 or 21
};

// Returns the exit status: 0 when every goal held.
int run_soak(const SoakOptions& options);
