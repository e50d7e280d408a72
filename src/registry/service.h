#pragma once
// skorvia-registry's HTTP(S) service over the Registry:
//   POST /announce  a server's announcement (JSON, at most 512 bytes, sent
//                   whole with a Content-Length: no chunks, no compression)
//   GET  /servers   the list (JSON)
// One thread serves every connection from an event loop (libmicrohttpd), so
// that a slow or hostile client holds nothing but its own small, fixed
// amount of memory:
//   - a request (TLS handshake, request line, headers and body) must arrive
//     whole within REQUEST_DEADLINE_MS of the connection's start or of its
//     previous answer, however it trickles in, and be answered whole within
//     EXCHANGE_DEADLINE_MS (a reader that takes longer over the list is cut
//     off, so slow readers cannot hold the connections);
//   - a connection has CONNECTION_MEMORY bytes for its request line and
//     headers (a larger request gets 431 and is closed);
//   - at most CONNECTION_LIMIT connections are open, CONNECTIONS_PER_ADDRESS
//     from one address; more are refused at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "registry/registry.h"

constexpr int64_t REQUEST_DEADLINE_MS = 3000;
constexpr int64_t EXCHANGE_DEADLINE_MS = 30000;
constexpr size_t CONNECTION_MEMORY = 8 * 1024;
constexpr unsigned CONNECTION_LIMIT = 512;
constexpr unsigned CONNECTIONS_PER_ADDRESS = 16;

struct RegistryOptions {
    uint16_t port = REGISTRY_DEFAULT_PORT;  // 0: the system picks one
    std::string cert_file;  // both set: HTTPS
    std::string key_file;
    // For tests, left out of the usage text: how long a silent server stays listed.
    int64_t forget_after_ms = FORGET_AFTER_MS;
};

struct HttpService;

struct RegistryService {
    Registry registry;
    std::unique_ptr<HttpService> http;
    uint16_t port = 0;  // as bound
    bool https = false;

    RegistryService();
    ~RegistryService();
};

// Binds the port and starts the checker. Returns nullptr, or why it failed.
const char* start_registry(RegistryService& service, const RegistryOptions& options);
// Serves until stop_registry (from another thread).
void run_registry(RegistryService& service);
void stop_registry(RegistryService& service);

// The command line: skorvia-registry [--port N] [--cert FILE --key FILE] [--help]
enum class RegistryArgs : uint8_t { Run, Help, Bad };
RegistryArgs parse_registry_options(int argc, const char* const* argv, RegistryOptions& options, std::string& error);
const char* registry_usage();
