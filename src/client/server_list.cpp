#include "client/server_list.h"

#include <cstring>

#include "base/log.h"
#include "net/status_query.h"
#include "net/wire.h"
#include "platform/sockets.h"

const char* parse_port(std::string_view text, uint16_t& port) {
    if (text.empty()) return "InvalidCharacter";
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return "InvalidCharacter";
        value = value * 10 + static_cast<uint32_t>(c - '0');
        if (value > 65535) return "Overflow";
    }
    port = static_cast<uint16_t>(value);
    return nullptr;
}

bool parse_ipv4_literal(std::string_view host, uint32_t& address) {
    uint32_t parts = 0;
    int part = 0;
    size_t i = 0;
    while (part < 4) {
        size_t start = i;
        uint32_t value = 0;
        while (i < host.size() && host[i] >= '0' && host[i] <= '9' && i - start < 3) {
            value = value * 10 + static_cast<uint32_t>(host[i] - '0');
            ++i;
        }
        size_t digits = i - start;
        if (digits == 0 || value > 255) return false;
        if (digits > 1 && host[start] == '0') return false;  // no leading zeros
        parts = parts << 8 | value;
        ++part;
        if (part < 4) {
            if (i >= host.size() || host[i] != '.') return false;
            ++i;
        }
    }
    if (i != host.size()) return false;
    address = parts;
    return true;
}

const char* resolve_host(const char* host, uint32_t& address) { return resolve_ipv4(host, address); }

const char* parse_server_text(std::string_view text, HostResolver resolve, Endpoint& endpoint) {
    std::string_view host = text;
    uint16_t port = DEFAULT_PORT;
    size_t colon = text.rfind(':');
    if (colon != std::string_view::npos) {
        host = text.substr(0, colon);
        if (const char* error = parse_port(text.substr(colon + 1), port)) return error;
    }
    Endpoint result;
    result.port = port;
    if (!parse_ipv4_literal(host, result.address)) {
        if (host.size() > MAX_HOST_NAME) return "NameTooLong";
        if (host.empty()) return "UnknownHostName";
        // A zero byte inside the text would silently shorten the name.
        if (host.find('\0') != std::string_view::npos) return "UnknownHostName";
        char name[MAX_HOST_NAME + 1];
        std::memcpy(name, host.data(), host.size());
        name[host.size()] = '\0';
        if (const char* error = resolve(name, result.address)) return error;
    }
    endpoint = result;
    return nullptr;
}

void add_server(ServerList& list, std::string_view text, HostResolver resolve) {
    if (list.count >= MAX_SERVERS) return;
    ServerEntry& entry = list.entries[list.count++];
    size_t kept = text.size() < MAX_SERVER_TEXT ? text.size() : MAX_SERVER_TEXT;
    std::memcpy(entry.text, text.data(), kept);
    entry.text[kept] = '\0';
    entry.text_length = static_cast<uint16_t>(kept);
    entry.has_endpoint = false;
    entry.endpoint = {};
    entry.result = {};
    entry.status.store(ServerStatus::NotQueried, std::memory_order_relaxed);

    Endpoint endpoint;
    if (const char* error = parse_server_text(text, resolve, endpoint)) {
        // An overlong text is quoted as it was kept, so that the reason still fits.
        LogText message;
        message << "can't find server '" << entry.name() << "': " << error;
        log_line(LogLevel::Warning, message);
        return;
    }
    entry.endpoint = endpoint;
    entry.has_endpoint = true;
}

void query_status(ServerEntry& entry, int timeout_ms) {
    StatusReply reply;
    if (!entry.has_endpoint || !fetch_status(entry.endpoint, reply, timeout_ms)) {
        entry.status.store(ServerStatus::Unreachable, std::memory_order_release);
        return;
    }
    StatusResult& r = entry.result;
    r.answered = true;
    r.version = reply.version;
    r.players = reply.players;
    r.max_players = reply.max_players;
    r.uptime = reply.uptime;
    r.compatible = reply.said_compatible ? reply.compatible : is_known_version(reply.version);
    entry.status.store(ServerStatus::Answered, std::memory_order_release);
}
