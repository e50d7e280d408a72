#include "registry/registry_client.h"

#include <memory>

#include <httplib.h>

namespace {

std::unique_ptr<httplib::Client> client_for(const RegistryUrl& url) {
    auto client = std::make_unique<httplib::Client>(url.origin);
    client->set_connection_timeout(0, REGISTRY_CONNECT_TIMEOUT_MS * 1000);
    client->set_read_timeout(0, REGISTRY_READ_TIMEOUT_MS * 1000);
    client->set_write_timeout(0, REGISTRY_READ_TIMEOUT_MS * 1000);
    client->set_follow_location(false);
    client->set_address_family(AF_INET);
    client->set_tcp_nodelay(true);  // a request's headers and body leave in separate writes
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    client->enable_server_certificate_verification(true);
#endif
    return client;
}

// The library's words for a failed exchange.
const char* failure_text(httplib::Error error) {
    switch (error) {
    case httplib::Error::Connection: return "can't connect";
    case httplib::Error::Read: return "no answer in time";
    case httplib::Error::Write: return "can't send";
    case httplib::Error::SSLConnection: return "the TLS handshake failed";
    case httplib::Error::SSLServerVerification: return "the registry's certificate is not trusted";
    case httplib::Error::Canceled: return "the answer is too large";
    default: return "the exchange failed";
    }
}

}  // namespace

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
    out = url;
    return nullptr;
}

bool registry_https_available() {
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
    return true;
#else
    return false;
#endif
}

const char* announce_server(const RegistryUrl& url, uint16_t port, std::string_view name, std::string& answer) {
    const auto client = client_for(url);
    const httplib::Result result =
        client->Post((url.path + "/announce").c_str(), format_announcement(port, name), "application/json");
    if (!result) return failure_text(result.error());
    answer = result->body.substr(0, 200);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (result->status == 200 || result->status == 202) return nullptr;
    return result->status == 429 ? "refused: too many announcements" : "refused";
}

const char* fetch_server_list(const RegistryUrl& url, RegistryEntry* out, int capacity, int& count) {
    const auto client = client_for(url);
    std::string body;
    const httplib::Result result = client->Get((url.path + "/servers").c_str(), [&](const char* data, size_t length) {
        if (body.size() + length > MAX_LISTING_BODY) return false;  // cancels
        body.append(data, length);
        return true;
    });
    if (!result) return failure_text(result.error());
    if (result->status != 200) return "the registry answered with an error";
    const int read = parse_server_list(body, out, capacity);
    if (read < 0) return "the answer is not a server list";
    count = read;
    return nullptr;
}
