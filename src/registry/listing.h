#pragma once
// What registries, game servers and the game say to each other, as JSON
// over HTTP(S):
//   POST /announce   {"port": 7777, "name": "Friday night"}   from a server, every 15 s
//   GET  /servers    {"servers": [{"address": "203.0.113.7:7777", "name": "Friday night",
//                                  "players": 3, "max": 8}, ...]}
// A server announces only its port: its address is the one the registry
// sees the announcement come from.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/endpoint.h"
#include "net/status_reply.h"

// Largest request body the registry reads; an announcement is far smaller.
constexpr size_t MAX_ANNOUNCEMENT_BODY = 512;
// Largest list the game reads from one registry, as sent (nothing
// compressed is taken): a full registry's list is about 2.2 MB at most.
constexpr size_t MAX_LISTING_BODY = 3u << 20;
// Deepest nesting of arrays and objects read in a list; the list itself
// needs 3 (the document, "servers", an entry).
constexpr int MAX_LISTING_DEPTH = 6;
// Most servers at one address that the game shows, so that one address
// cannot fill its list.
constexpr int MAX_SHOWN_PER_ADDRESS = 4;

struct Announcement {
    uint16_t port = 0;
    char name[MAX_SERVER_NAME] = {};
    uint8_t name_length = 0;
};

// Reads an announcement. Returns nullptr, or what is wrong with it (for the
// 400 answer). The port must be 1..65535; the name, when given, a valid
// server name (net/status_reply.h).
const char* parse_announcement(std::string_view body, Announcement& out);
std::string format_announcement(uint16_t port, std::string_view name);

// One server of a list.
struct RegistryEntry {
    Endpoint endpoint;
    char name[MAX_SERVER_NAME] = {};
    uint8_t name_length = 0;
    uint8_t players = 0;
    uint8_t max_players = 0;
    uint8_t bots = 0;

    std::string_view name_view() const { return {name, name_length}; }
};

// Reads a list into `out`, at most `capacity` servers, skipping entries
// that are not well-formed: a bad address, a name that is not a valid
// server name (net/status_reply.h), counts that are not whole numbers or do
// not add up (players + bots <= max <= 8; a missing count is 0). Returns how
// many were read, or -1 when the body is not a list at all or nests deeper
// than MAX_LISTING_DEPTH. Memory beyond the body's own is what one string
// of it takes: nothing is built of the rest.
int parse_server_list(std::string_view body, RegistryEntry* out, int capacity);

// Whether the game may ask this address for its status: never 0.0.0.0/8,
// multicast (224.0.0.0/4), the reserved 240.0.0.0/4 with the broadcast
// address, port 0, nor loopback (127.0.0.0/8) unless the list came from a
// registry on loopback itself. (Inline: a build without the registry's
// libraries shows no Internet servers but compiles the same glue.)
inline bool may_query_listed(Endpoint e, bool registry_on_loopback) {
    const uint32_t first = e.address >> 24;
    if (e.port == 0 || first == 0 || first >= 224) return false;
    return first != 127 || registry_on_loopback;
}

// "a.b.c.d:port"
std::string endpoint_text(Endpoint e);
// Parses "a.b.c.d:port" (dotted quad, port 1..65535).
bool parse_endpoint_text(std::string_view text, Endpoint& out);
