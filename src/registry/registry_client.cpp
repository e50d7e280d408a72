#include "registry/registry_client.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace {

// TLS 1.2 suites with forward secrecy (ECDHE) and authenticated encryption
// (GCM, ChaCha20-Poly1305) only; TLS 1.3's are all of that kind.
constexpr const char* TLS12_SUITES =
    "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256:ECDHE-ECDSA-AES256-GCM-SHA384:"
    "ECDHE-RSA-AES256-GCM-SHA384:ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305";

enum class Refusal : uint8_t { None, Compressed, HeadersTooLarge, BodyTooLarge };

struct Exchange {
    std::string body;
    size_t body_cap = 0;
    size_t header_bytes = 0;
    Refusal refusal = Refusal::None;
};

bool starts_with_name(std::string_view line, std::string_view name) {
    if (line.size() < name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = line[i] >= 'A' && line[i] <= 'Z' ? static_cast<char>(line[i] - 'A' + 'a') : line[i];
        if (c != name[i]) return false;
    }
    return true;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

size_t on_header(char* data, size_t size, size_t count, void* user) {
    Exchange& x = *static_cast<Exchange*>(user);
    const std::string_view line(data, size * count);
    x.header_bytes += line.size();
    if (x.header_bytes > MAX_ANSWER_HEADER_BYTES) {
        x.refusal = Refusal::HeadersTooLarge;
        return 0;  // ends the exchange
    }
    constexpr std::string_view ENCODING = "content-encoding:";
    if (starts_with_name(line, ENCODING) && trimmed(line.substr(ENCODING.size())) != "identity") {
        x.refusal = Refusal::Compressed;
        return 0;
    }
    return line.size();
}

size_t on_body(char* data, size_t size, size_t count, void* user) {
    Exchange& x = *static_cast<Exchange*>(user);
    const size_t length = size * count;
    if (x.body.size() + length > x.body_cap) {
        x.refusal = Refusal::BodyTooLarge;
        return 0;
    }
    x.body.append(data, length);
    return length;
}

const char* failure_text(CURLcode code, Refusal refusal) {
    switch (refusal) {
    case Refusal::Compressed: return "the answer is compressed";
    case Refusal::HeadersTooLarge: return "the answer's headers are too large";
    case Refusal::BodyTooLarge: return "the answer is too large";
    case Refusal::None: break;
    }
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST: return "can't find the registry's host";
    case CURLE_COULDNT_CONNECT: return "can't connect";
    case CURLE_OPERATION_TIMEDOUT: return "no answer in time";
    case CURLE_SEND_ERROR: return "can't send";
    case CURLE_SSL_CONNECT_ERROR: return "the TLS handshake failed";
    case CURLE_PEER_FAILED_VERIFICATION: return "the registry's certificate is not trusted";
    case CURLE_FILESIZE_EXCEEDED: return "the answer is too large";
    default: return "the exchange failed";
    }
}

struct CurlDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

// One request; nullptr and the answer's status, or why it failed.
const char* exchange(const RegistryUrl& url, const char* path, const std::string* post_body, Exchange& x, long& status) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return "the exchange failed";
    CURL* c = curl.get();
    const std::string address = url.origin + url.path + path;
    curl_easy_setopt(c, CURLOPT_URL, address.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_PROXY, "");  // no proxy from the environment
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_IPRESOLVE, CURL_IPRESOLVE_V4);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(REGISTRY_CONNECT_TIMEOUT_MS));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(REGISTRY_EXCHANGE_TIMEOUT_MS));
    curl_easy_setopt(c, CURLOPT_USERAGENT, "skorvia");
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, &x);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &x);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(x.body_cap));
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(c, CURLOPT_SSL_CIPHER_LIST, TLS12_SUITES);
    if (const char* file = std::getenv("SSL_CERT_FILE")) curl_easy_setopt(c, CURLOPT_CAINFO, file);
    if (const char* folder = std::getenv("SSL_CERT_DIR")) curl_easy_setopt(c, CURLOPT_CAPATH, folder);
    std::unique_ptr<curl_slist, CurlDeleter> headers;
    if (post_body) {
        headers.reset(curl_slist_append(nullptr, "Content-Type: application/json"));
        curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, post_body->data());
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE, static_cast<long>(post_body->size()));
    }
    const CURLcode code = curl_easy_perform(c);
    if (code != CURLE_OK || x.refusal != Refusal::None) return failure_text(code, x.refusal);
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    return nullptr;
}

}  // namespace

bool registry_https_available() {
    static const bool available = [] {
        const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
        return info && (info->features & CURL_VERSION_SSL) != 0;
    }();
    return available;
}

const char* announce_server(const RegistryUrl& url, uint16_t port, std::string_view name, std::string& answer) {
    Exchange x;
    x.body_cap = MAX_ANNOUNCE_ANSWER;
    const std::string body = format_announcement(port, name);
    long status = 0;
    if (const char* failed = exchange(url, "/announce", &body, x, status)) return failed;
    answer = x.body.substr(0, 200);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (status == 200 || status == 202) return nullptr;
    return status == 429 ? "refused: too many announcements" : "refused";
}

const char* fetch_server_list(const RegistryUrl& url, RegistryEntry* out, int capacity, int& count) {
    Exchange x;
    x.body_cap = MAX_LISTING_BODY;
    x.body.reserve(MAX_LISTING_BODY);  // taken as the answer arrives: no copies while it grows
    long status = 0;
    if (const char* failed = exchange(url, "/servers", nullptr, x, status)) return failed;
    if (status != 200) return "the registry answered with an error";
    const int read = parse_server_list(x.body, out, capacity);
    if (read < 0) return "the answer is not a server list";
    count = read;
    return nullptr;
}
