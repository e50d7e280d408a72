// The registry's address as both registry clients (libcurl, WinHTTP) read it:
// no HTTP here, only the checks on the text.
#include "registry/registry_client.h"

const char* parse_registry_url(std::string_view text, RegistryUrl& out) {
    RegistryUrl url;
    std::string_view rest;
    if (text.starts_with("http://")) {
        rest = text.substr(7);
    } else if (text.starts_with("https://")) {
        rest = text.substr(8);
        url.https = true;
    } else {
        return "not an http:// or https:// address";
    }
    const size_t slash = rest.find('/');
    const std::string_view host = rest.substr(0, slash);
    if (host.empty()) return "no host";
    for (char c : text) {
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7F) return "not a plain address";
    }
    if (host.find('@') != std::string_view::npos) return "no user names in the address, please";
    if (url.https && !registry_https_available()) return "this build can't speak HTTPS";
    url.origin = std::string(text.substr(0, text.size() - rest.size())) + std::string(host);
    if (slash != std::string_view::npos) {
        std::string_view path = rest.substr(slash);
        while (!path.empty() && path.back() == '/') path.remove_suffix(1);
        if (path.find_first_of("?#") != std::string_view::npos) return "no query in the address, please";
        url.path = std::string(path);
    }
    const std::string_view name = host.substr(0, host.rfind(':'));
    uint32_t address = 0;
    url.loopback = name == "localhost" || (parse_ipv4_literal(name, address) && address >> 24 == 127);
    out = url;
    return nullptr;
}
