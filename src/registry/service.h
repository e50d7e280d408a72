#pragma once
// skorvia-registry's HTTP(S) service over the Registry:
//   POST /announce  a server's announcement (JSON, at most 512 bytes)
//   GET  /servers   the list (JSON)
// Request bodies are capped, slow clients time out, and the connections
// waiting for a worker are bounded.
#include <cstdint>
#include <memory>
#include <string>

#include "registry/registry.h"

namespace httplib {
class Server;
}

struct RegistryOptions {
    uint16_t port = REGISTRY_DEFAULT_PORT;  // 0: the system picks one
    std::string cert_file;  // both set: HTTPS
    std::string key_file;
    // For tests, left out of the usage text: how long a silent server stays listed.
    int64_t forget_after_ms = FORGET_AFTER_MS;
};

struct RegistryService {
    Registry registry;
    std::unique_ptr<httplib::Server> http;
    uint16_t port = 0;  // as bound
    bool https = false;

    RegistryService();
    ~RegistryService();
};

// Binds the port and sets up the routes. Returns nullptr, or why it failed.
const char* start_registry(RegistryService& service, const RegistryOptions& options);
// Serves until stop_registry (from another thread).
void run_registry(RegistryService& service);
void stop_registry(RegistryService& service);

// The command line: skorvia-registry [--port N] [--cert FILE --key FILE] [--help]
enum class RegistryArgs : uint8_t { Run, Help, Bad };
RegistryArgs parse_registry_options(int argc, const char* const* argv, RegistryOptions& options, std::string& error);
const char* registry_usage();
