// The registry client of a build without HTTP (SKORVIA_REGISTRY OFF): every
// call fails with the same words, and nothing else of the program changes.
#include "registry/registry_client.h"

namespace {
constexpr const char* NOT_BUILT = "this build has no registry support";
}

const char* parse_registry_url(std::string_view, RegistryUrl&) { return NOT_BUILT; }

bool registry_https_available() { return false; }

const char* announce_server(const RegistryUrl&, uint16_t, std::string_view, std::string&) { return NOT_BUILT; }

const char* fetch_server_list(const RegistryUrl&, RegistryEntry*, int, int&) { return NOT_BUILT; }
