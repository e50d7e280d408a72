#pragma once
// Announces the server to its registries every few seconds (15 by default),
// on a thread of its own so that a slow registry never holds up a tick. It
// logs when a registry first takes the server and whenever that changes,
// not every announcement.
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "dedicated/options.h"
#include "registry/registry_client.h"

struct Announcer {
    RegistryUrl urls[MAX_REGISTRIES];
    const char* texts[MAX_REGISTRIES] = {};
    std::string last_said[MAX_REGISTRIES];  // what was logged last, per registry
    int count = 0;
    uint16_t port = 0;
    std::string name;
    uint32_t interval_seconds = DEFAULT_ANNOUNCE_SECONDS;

    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    bool stopping = false;
};

// Starts announcing `port` to the options' registries (nothing without any).
void start_announcer(Announcer& announcer, const ServerOptions& options, uint16_t port);
// Ends the thread; an announcement under way may take its timeouts.
void stop_announcer(Announcer& announcer);
