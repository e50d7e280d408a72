#pragma once
// The server list: the default public server, and optionally the one named by
// the SKORVIA_SERVER environment variable. Filled once at start-up and never
// resized afterwards, because status-query workers write into its entries.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/endpoint.h"
#include "net/status_query.h"

constexpr uint16_t DEFAULT_PORT = 7777;
constexpr int MAX_SERVERS = 2;
constexpr const char* DEFAULT_SERVER_TEXT = "localhost:7777";
// Longest host name the resolver is asked about (the DNS limit).
constexpr size_t MAX_HOST_NAME = 253;
// Room for the longest sensible server text: a host name, ':' and a port.
// A longer text cannot name a server; it is kept cut, for display only.
constexpr size_t MAX_SERVER_TEXT = 264;

enum class ServerStatus : uint8_t {
    NotQueried = 0,
    Checking = 1,
    Answered = 2,
    Unreachable = 3,
};

// What the last status query learned. Written by the query's worker thread
// before it publishes the status.
struct StatusResult {
    bool answered = false;
    bool compatible = false;
    uint8_t version = 0;
    uint8_t players = 0;
    uint8_t max_players = 0;
    uint64_t uptime = 0;
};

struct ServerEntry {
    char text[MAX_SERVER_TEXT + 1] = {};  // as configured, zero-terminated
    uint16_t text_length = 0;
    bool has_endpoint = false;
    Endpoint endpoint;  // IPv4, host byte order
    // The publication point between a status worker and the main thread:
    // stored with release after the result, loaded with acquire before it.
    std::atomic<ServerStatus> status{ServerStatus::NotQueried};
    StatusResult result;

    std::string_view name() const { return {text, text_length}; }
};

struct ServerList {
    ServerEntry entries[MAX_SERVERS];
    int count = 0;
};

// Resolves a host name to an IPv4 address (host byte order). Returns nullptr
// on success, or the name of the failure (for example "UnknownHostName").
using HostResolver = const char* (*)(const char* host, uint32_t& address);

// The system's resolver (getaddrinfo, IPv4 answers only). Blocking.
const char* resolve_host(const char* host, uint32_t& address);

// Appends one entry for `text` unless the list is full. Never fails: a text
// that cannot be turned into an endpoint is logged as a warning and listed
// without one.
void add_server(ServerList& list, std::string_view text, HostResolver resolve = resolve_host);

// Pure parts of add_server, exposed for tests. Each returns nullptr on
// success or the failure's name.
const char* parse_port(std::string_view text, uint16_t& port);
bool parse_ipv4_literal(std::string_view host, uint32_t& address);
const char* parse_server_text(std::string_view text, HostResolver resolve, Endpoint& endpoint);

// The worker's job for one server list entry: the status exchange with its
// endpoint, then, on success, the result fields and status Answered; on any
// failure only status Unreachable (the earlier result stays). The status is
// stored last, with release ordering: it is what the main thread reads first.
void query_status(ServerEntry& entry, int timeout_ms = STATUS_TIMEOUT_MS);
