#pragma once
// The Internet part of the server list: the servers that the registries
// named by the environment variable SKORVIA_REGISTRY (base URLs separated by
// commas) list, merged and without repeats. The game asks no registry
// unless that variable names one. A round of asking runs on a worker thread
// whenever the servers screen asks its servers for their status; the main
// thread takes its result in the next frame after it is done.
#include <memory>
#include <string>
#include <string_view>

#include "registry/registry_client.h"

struct App;
struct InternetRound;

constexpr int MAX_REGISTRY_URLS = 4;

struct InternetList {
    RegistryUrl urls[MAX_REGISTRY_URLS];
    std::string texts[MAX_REGISTRY_URLS];
    std::string last_said[MAX_REGISTRY_URLS];  // the last warning per registry, to say it once
    int count = 0;
    std::shared_ptr<InternetRound> round;  // under way or done; null before the first
    bool answered = false;                 // a registry answered in the last round taken
    bool taken = false;                    // a round's result was taken
};

// Reads SKORVIA_REGISTRY (a bad address is skipped with a warning).
void set_up_internet(InternetList& internet, const char* variable);

// Starts a round unless one is under way.
void start_internet_round(InternetList& internet);

// Puts a finished round's servers into the list. True when it did.
bool take_internet_round(App& app);

// True while a round's worker may still run.
bool internet_round_running(const InternetList& internet);

// What the "Internet" heading says while nothing is listed.
std::string_view internet_note(const InternetList& internet);
