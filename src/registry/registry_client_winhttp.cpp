// The registry client of the Windows build, on the system's own HTTP client
// (WinHTTP): nothing to ship or keep patched, and certificates are checked
// by the system against its own store. The limits are those of the libcurl
// client: the exchange within REGISTRY_EXCHANGE_TIMEOUT_MS (each wait gets
// what is left of it), connecting within REGISTRY_CONNECT_TIMEOUT_MS, TLS 1.2
// or newer, no proxy, no redirects, nothing compressed, headers and body
// counted against their caps as they arrive.
#include "registry/registry_client.h"

#include <windows.h>
#include <winhttp.h>

#include <chrono>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct HandleCloser {
    HINTERNET handle = nullptr;
    HandleCloser() = default;
    explicit HandleCloser(HINTERNET h) : handle(h) {}
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;
    ~HandleCloser() {
        if (handle) WinHttpCloseHandle(handle);
    }
};

// Registry addresses are plain ASCII (parse_registry_url checks it).
std::wstring wide(std::string_view text) { return std::wstring(text.begin(), text.end()); }

// Why the TLS layer gave up, as the system reports it before the call fails.
void CALLBACK on_secure_failure(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
    if (status != WINHTTP_CALLBACK_STATUS_SECURE_FAILURE || !context || !info) return;
    *reinterpret_cast<DWORD*>(context) = *static_cast<DWORD*>(info);
}

const char* secure_failure_text(DWORD flags) {
    constexpr DWORD CERTIFICATE = WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA | WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID |
                                  WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID |
                                  WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT | WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED |
                                  WINHTTP_CALLBACK_STATUS_FLAG_CERT_REV_FAILED;
    return (flags & CERTIFICATE) != 0 ? "the registry's certificate is not trusted" : "the TLS handshake failed";
}

const char* failure_text(DWORD error, DWORD secure_flags) {
    switch (error) {
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: return "can't find the registry's host";
    case ERROR_WINHTTP_CANNOT_CONNECT: return "can't connect";
    case ERROR_WINHTTP_TIMEOUT: return "no answer in time";
    case ERROR_WINHTTP_SECURE_FAILURE: return secure_failure_text(secure_flags);
    // Some systems name the certificate's fault in the error itself.
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_REV_FAILED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE: return "the registry's certificate is not trusted";
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR: return "the TLS handshake failed";
    case ERROR_WINHTTP_HEADER_SIZE_OVERFLOW: return "the answer's headers are too large";
    default: return "the exchange failed";
    }
}

// What is left of the exchange's time, in ms; 0 once it has run out.
DWORD remaining_ms(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

void set_dword(HINTERNET handle, DWORD option, DWORD value) { WinHttpSetOption(handle, option, &value, sizeof value); }

// The answer's header `query` as text; empty when it has none.
std::wstring header_text(HINTERNET request, DWORD query) {
    wchar_t value[256];
    DWORD size = sizeof value;
    if (!WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, value, &size, WINHTTP_NO_HEADER_INDEX)) {
        return GetLastError() == ERROR_WINHTTP_HEADER_NOT_FOUND ? std::wstring() : std::wstring(L"?");
    }
    return std::wstring(value, size / sizeof(wchar_t));
}

// Refuses what the libcurl client refuses once the headers are in: too much
// of them, and a body sent compressed.
const char* check_headers(HINTERNET request) {
    DWORD size = 0;
    WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                        &size, WINHTTP_NO_HEADER_INDEX);
    // The size is of UTF-16 text: two bytes for each byte that arrived.
    // (Where the system ignores WINHTTP_OPTION_MAX_RESPONSE_HEADER_SIZE, as
    // Wine does, this is the only check; Windows stops reading at the cap.)
    if (size / sizeof(wchar_t) > MAX_ANSWER_HEADER_BYTES) return "the answer's headers are too large";
    const std::wstring encoding = header_text(request, WINHTTP_QUERY_CONTENT_ENCODING);
    if (!encoding.empty() && encoding != L"identity") return "the answer is compressed";
    return nullptr;
}

// Reads the body as it arrives, refusing it once it passes `cap`.
const char* read_body(HINTERNET request, size_t cap, Clock::time_point deadline, std::string& body) {
    char chunk[16 * 1024];
    for (;;) {
        const DWORD left = remaining_ms(deadline);
        if (left == 0) return "no answer in time";
        set_dword(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, left);
        // Waits for some data, then reads only what is there: a read of more
        // may wait for all of it, past the deadline, when it trickles in.
        DWORD available = 0;
        if (!WinHttpQueryDataAvailable(request, &available)) return failure_text(GetLastError(), 0);
        if (available == 0) return nullptr;
        // One byte more than the cap allows shows that the body is too large.
        const size_t room = cap + 1 - body.size();
        size_t wanted = room < sizeof chunk ? room : sizeof chunk;
        if (available < wanted) wanted = available;
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk, static_cast<DWORD>(wanted), &read)) return failure_text(GetLastError(), 0);
        if (read == 0) return nullptr;
        if (body.size() + read > cap) return "the answer is too large";
        body.append(chunk, read);
    }
}

// One request; nullptr and the answer's status, or why it failed.
const char* exchange(const RegistryUrl& url, const char* path, const std::string* post_body, size_t body_cap,
                     std::string& body, DWORD& status) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(REGISTRY_EXCHANGE_TIMEOUT_MS);
    const std::wstring address = wide(url.origin + url.path + path);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts)) return "not a plain address";
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring target(parts.lpszUrlPath, parts.dwUrlPathLength);

    // No proxy, as with the libcurl client: the registry is asked directly.
    const HandleCloser session(
        WinHttpOpen(L"skorvia", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session.handle) return "the exchange failed";
    WinHttpSetTimeouts(session.handle, REGISTRY_CONNECT_TIMEOUT_MS, REGISTRY_CONNECT_TIMEOUT_MS,
                       REGISTRY_EXCHANGE_TIMEOUT_MS, REGISTRY_EXCHANGE_TIMEOUT_MS);
    // TLS 1.2 or 1.3; a system that does not know 1.3 yet gets 1.2 alone.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!WinHttpSetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        if (!WinHttpSetOption(session.handle, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
            return "the TLS handshake failed";
        }
    }
    set_dword(session.handle, WINHTTP_OPTION_MAX_RESPONSE_HEADER_SIZE, static_cast<DWORD>(MAX_ANSWER_HEADER_BYTES));

    const HandleCloser connection(WinHttpConnect(session.handle, host.c_str(), parts.nPort, 0));
    if (!connection.handle) return "the exchange failed";
    const HandleCloser request(WinHttpOpenRequest(connection.handle, post_body ? L"POST" : L"GET", target.c_str(),
                                                  nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                  url.https ? WINHTTP_FLAG_SECURE : 0));
    if (!request.handle) return "the exchange failed";
    set_dword(request.handle, WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_REDIRECTS | WINHTTP_DISABLE_COOKIES);
    DWORD secure_flags = 0;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&secure_flags);
    WinHttpSetOption(request.handle, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context);
    WinHttpSetStatusCallback(request.handle, on_secure_failure, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);

    const wchar_t* headers = post_body ? L"Content-Type: application/json\r\n" : WINHTTP_NO_ADDITIONAL_HEADERS;
    const DWORD post_size = post_body ? static_cast<DWORD>(post_body->size()) : 0;
    void* post_data = post_body ? const_cast<char*>(post_body->data()) : WINHTTP_NO_REQUEST_DATA;
    if (!WinHttpSendRequest(request.handle, headers, static_cast<DWORD>(-1), post_data, post_size, post_size, 0)) {
        return failure_text(GetLastError(), secure_flags);
    }
    const DWORD left = remaining_ms(deadline);
    if (left == 0) return "no answer in time";
    set_dword(request.handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, left);
    set_dword(request.handle, WINHTTP_OPTION_RECEIVE_TIMEOUT, left);
    if (!WinHttpReceiveResponse(request.handle, nullptr)) return failure_text(GetLastError(), secure_flags);
    if (const char* refused = check_headers(request.handle)) return refused;
    DWORD size = sizeof status;
    if (!WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
        return "the exchange failed";
    }
    return read_body(request.handle, body_cap, deadline, body);
}

}  // namespace

bool registry_https_available() { return true; }

const char* announce_server(const RegistryUrl& url, uint16_t port, std::string_view name, std::string& answer) {
    const std::string body = format_announcement(port, name);
    std::string reply;
    DWORD status = 0;
    if (const char* failed = exchange(url, "/announce", &body, MAX_ANNOUNCE_ANSWER, reply, status)) return failed;
    answer = reply.substr(0, 200);
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
    if (status == 200 || status == 202) return nullptr;
    return status == 429 ? "refused: too many announcements" : "refused";
}

const char* fetch_server_list(const RegistryUrl& url, RegistryEntry* out, int capacity, int& count) {
    std::string body;
    body.reserve(MAX_LISTING_BODY + 1);  // taken as the answer arrives: no copies while it grows
    DWORD status = 0;
    if (const char* failed = exchange(url, "/servers", nullptr, MAX_LISTING_BODY, body, status)) return failed;
    if (status != 200) return "the registry answered with an error";
    const int read = parse_server_list(body, out, capacity);
    if (read < 0) return "the answer is not a server list";
    count = read;
    return nullptr;
}
