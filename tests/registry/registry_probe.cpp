// skorvia_registry_probe: reads a registry's list with this build's registry
// client, as the game's Internet list does, and prints it: one
// "listed a.b.c.d:port name" line a server. Exit status 0 when the list was
// read, 1 (and "probe: why") when not. The Windows build's registry test
// runs it under Wine against the real skorvia-registry.
#include <cstdio>
#include <string>

#include "registry/registry_client.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: skorvia_registry_probe URL\n", stderr);
        return 2;
    }
    RegistryUrl url;
    if (const char* bad = parse_registry_url(argv[1], url)) {
        std::printf("probe: %s\n", bad);
        return 1;
    }
    static RegistryEntry entries[64];
    int count = 0;
    if (const char* failed = fetch_server_list(url, entries, 64, count)) {
        std::printf("probe: %s\n", failed);
        return 1;
    }
    std::printf("probe: %d servers\n", count);
    for (int i = 0; i < count; ++i) {
        const std::string address = endpoint_text(entries[i].endpoint);
        const std::string name(entries[i].name_view());
        std::printf("listed %s %s\n", address.c_str(), name.c_str());
    }
    return 0;
}
