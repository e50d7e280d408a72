#pragma once
// Talking to a registry from a game server (announcing itself) and from the
// game (reading the list). A registry is named by its base URL,
// http://host[:port][/path] or https://..., to which "/announce" and
// "/servers" are added. HTTPS checks the registry's certificate against the
// system's trusted authorities (OpenSSL's SSL_CERT_FILE and SSL_CERT_DIR
// apply). Both calls block for at most a few seconds.
#include <cstdint>
#include <string>
#include <string_view>

#include "registry/listing.h"

constexpr int REGISTRY_CONNECT_TIMEOUT_MS = 2000;
constexpr int REGISTRY_READ_TIMEOUT_MS = 3000;

struct RegistryUrl {
    std::string origin;  // "https://host:port", as the HTTP library takes it
    std::string path;    // "" or "/path", without a trailing '/'
    bool https = false;
};

// Returns nullptr, or what is wrong with the text.
const char* parse_registry_url(std::string_view text, RegistryUrl& out);

// Whether this build can speak HTTPS.
bool registry_https_available();

// Announces the server on `port` under `name` (may be empty). Returns
// nullptr when the registry took the announcement (listed, or still
// checking: `answer` says which), else why not.
const char* announce_server(const RegistryUrl& url, uint16_t port, std::string_view name, std::string& answer);

// Reads the registry's list into `out` (at most `capacity` servers).
// Returns nullptr and sets `count`, or why it failed.
const char* fetch_server_list(const RegistryUrl& url, RegistryEntry* out, int capacity, int& count);
