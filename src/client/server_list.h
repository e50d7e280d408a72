#pragma once
// The server list, in the order it is shown: the default public server and
// the one named by the SKORVIA_SERVER environment variable (both fixed at
// start-up), then the servers the player added, then the public servers
// that registries list. Status-query workers write into entries while the
// list changes, so an entry lives in a slot that never moves; the list is an
// order of slots, and a removed entry's slot is reused only once its worker
// has finished.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/endpoint.h"
#include "net/status_query.h"
#include "net/status_reply.h"

constexpr uint16_t DEFAULT_PORT = 7777;
constexpr int MAX_FIXED_SERVERS = 2;
constexpr int MAX_ADDED_SERVERS = 16;
constexpr int MAX_INTERNET_SERVERS = 32;
constexpr int MAX_SERVERS = MAX_FIXED_SERVERS + MAX_ADDED_SERVERS + MAX_INTERNET_SERVERS;
// Room for removed entries whose status query is still running.
constexpr int SERVER_SLOTS = MAX_SERVERS + 16;
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
    char name[MAX_SERVER_NAME] = {};  // the server's own name; may be empty
    uint8_t name_length = 0;
};

enum class ServerOrigin : uint8_t {
    Fixed,     // the default server, SKORVIA_SERVER
    Added,     // typed by the player, kept between runs
    Internet,  // listed by a registry
};

struct ServerEntry {
    char text[MAX_SERVER_TEXT + 1] = {};  // as configured, zero-terminated
    uint16_t text_length = 0;
    ServerOrigin origin = ServerOrigin::Fixed;
    bool listed = false;  // the slot holds an entry of the list
    // The name a registry listed the server under; the server's own answer
    // replaces it once it has been asked.
    char listed_name[MAX_SERVER_NAME] = {};
    uint8_t listed_name_length = 0;
    bool has_endpoint = false;
    Endpoint endpoint;  // IPv4, host byte order
    // The publication point between a status worker and the main thread:
    // stored with release after the result, loaded with acquire before it.
    std::atomic<ServerStatus> status{ServerStatus::NotQueried};
    StatusResult result;

    std::string_view name() const { return {text, text_length}; }
    std::string_view listed_name_view() const { return {listed_name, listed_name_length}; }
};

struct ServerList {
    ServerEntry slots[SERVER_SLOTS];
    uint8_t order[MAX_SERVERS] = {};  // the slot of each entry, in list order
    int count = 0;
};

inline ServerEntry& server_at(ServerList& list, int i) { return list.slots[list.order[i]]; }
inline const ServerEntry& server_at(const ServerList& list, int i) { return list.slots[list.order[i]]; }

// How many entries of each origin the list holds (they follow each other in
// this order).
struct ServerListShape {
    uint8_t fixed = 0;
    uint8_t added = 0;
    uint8_t internet = 0;
};
ServerListShape server_list_shape(const ServerList& list);

// True while a status query may still write into some slot.
bool status_queries_running(const ServerList& list);

// Resolves a host name to an IPv4 address (host byte order). Returns nullptr
// on success, or the name of the failure (for example "UnknownHostName").
using HostResolver = const char* (*)(const char* host, uint32_t& address);

// The system's resolver (getaddrinfo, IPv4 answers only). Blocking.
const char* resolve_host(const char* host, uint32_t& address);

// Appends one fixed entry for `text` unless the list holds MAX_FIXED_SERVERS
// already. Never fails: a text that cannot be turned into an endpoint is
// logged as a warning and listed without one.
void add_server(ServerList& list, std::string_view text, HostResolver resolve = resolve_host);

// A server the player added, after the fixed and the other added ones.
// Only a text that names an endpoint is added.
enum class AddOutcome : uint8_t { Added, Failed, Duplicate, Full };
struct AddResult {
    AddOutcome outcome = AddOutcome::Failed;
    const char* error = nullptr;  // why a text failed
    int position = -1;            // where the entry is in the list
};
AddResult add_player_server(ServerList& list, std::string_view text, HostResolver resolve = resolve_host);

// A server kept from an earlier run: listed after the other added ones even
// when its text names no endpoint now (a name that does not resolve while
// offline is still the player's), with the same warning as add_server.
void add_kept_server(ServerList& list, std::string_view text, HostResolver resolve = resolve_host);

// Removes the entry at `position` when the player added it. False otherwise.
bool remove_player_server(ServerList& list, int position);

// Writes the texts of the added entries, one per line, into `out`. Returns
// how many bytes it needed (nothing is cut: `out` is sized by the caller from
// MAX_ADDED_SERVERS and MAX_SERVER_TEXT).
size_t added_server_texts(const ServerList& list, char* out, size_t capacity);

// One server as a registry lists it.
struct ListedServer {
    Endpoint endpoint;
    char name[MAX_SERVER_NAME] = {};
    uint8_t name_length = 0;
};

// Makes the Internet entries the given servers (at most
// MAX_INTERNET_SERVERS of them, in order): entries still listed keep their
// slot and status, the others are removed, new ones appended unqueried. A
// server already in the list above the Internet part is not repeated.
void set_internet_servers(ServerList& list, const ListedServer* servers, int count);

// Pure parts of add_server, exposed for tests. Each returns nullptr on
// success or the failure's name.
const char* parse_port(std::string_view text, uint16_t& port);
const char* parse_server_text(std::string_view text, HostResolver resolve, Endpoint& endpoint);

// The worker's job for one server list entry: the status exchange with its
// endpoint, then, on success, the result fields and status Answered; on any
// failure only status Unreachable (the earlier result stays). The status is
// stored last, with release ordering: it is what the main thread reads first.
void query_status(ServerEntry& entry, int timeout_ms = STATUS_TIMEOUT_MS);
