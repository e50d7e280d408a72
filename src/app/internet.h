#pragma once
// The Internet part of the server list: the servers that the registries
// named by the environment variable SKORVIA_REGISTRY (base URLs separated by
// commas) list, merged and without repeats, at most MAX_SHOWN_PER_ADDRESS
// servers of one address, and none that the game may not ask
// (may_query_listed: never 0.0.0.0, broadcast, multicast or port 0, nor
// loopback unless the registry is on loopback itself). The game asks no registry
// unless that variable names one. A round of asking runs on a worker thread
// whenever the servers screen asks its servers for their status; the main
// thread takes its result in the next frame after it is done.
#include <string_view>

#include "app/internet_list.h"

struct App;

// Reading SKORVIA_REGISTRY at start-up, and the wait for a round at shutdown:
// app/client_hooks.h.

// Starts a round unless one is under way.
void start_internet_round(InternetList& internet);

// Puts a finished round's servers into the list. True when it did.
bool take_internet_round(App& app);


// What the "Internet" heading says while nothing is listed.
std::string_view internet_note(const InternetList& internet);
