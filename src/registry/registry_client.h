#pragma once
// Talking to a registry from a game server (announcing itself) and from the
// game (reading the list). A registry is named by its base URL,
// http://host[:port][/path] or https://..., to which "/announce" and
// "/servers" are added. HTTPS checks the registry's certificate against the
// system's trusted authorities and takes TLS 1.3 or 1.2: on Linux through
// libcurl (OpenSSL's SSL_CERT_FILE and SSL_CERT_DIR apply; TLS 1.2 with
// ECDHE and AEAD suites only), on Windows through WinHTTP (the system's
// certificate store, the system's choice of suites).
//
// An answer is outside text, read within limits: the whole exchange within
// REGISTRY_EXCHANGE_TIMEOUT_MS, at most MAX_ANSWER_HEADER_BYTES of headers,
// and a body as sent (no Accept-Encoding is sent and a Content-Encoding is
// refused), cut off beyond its cap.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "registry/listing.h"

constexpr int REGISTRY_CONNECT_TIMEOUT_MS = 2000;
constexpr int REGISTRY_EXCHANGE_TIMEOUT_MS = 5000;
constexpr size_t MAX_ANSWER_HEADER_BYTES = 16 * 1024;
// An announcement's answer is one short line.
constexpr size_t MAX_ANNOUNCE_ANSWER = 1024;

struct RegistryUrl {
    std::string origin;  // "https://host:port"
    std::string path;    // "" or "/path", without a trailing '/'
    bool https = false;
    bool loopback = false;  // the host is localhost or 127.x.y.z: its list may name loopback servers
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
