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

namespace {

// A slot that holds no listed entry and that no status query writes into.
int free_slot(const ServerList& list) {
    for (int s = 0; s < SERVER_SLOTS; ++s) {
        const ServerEntry& e = list.slots[s];
        if (!e.listed && e.status.load(std::memory_order_acquire) != ServerStatus::Checking) return s;
    }
    return -1;
}

// Puts a fresh entry for `text` into a free slot at list position
// `position`. Returns the entry, or nullptr when no slot is free.
ServerEntry* insert_entry(ServerList& list, int position, std::string_view text, ServerOrigin origin) {
    const int slot = free_slot(list);
    if (slot < 0 || list.count >= MAX_SERVERS) return nullptr;
    ServerEntry& entry = list.slots[slot];
    const size_t kept = text.size() < MAX_SERVER_TEXT ? text.size() : MAX_SERVER_TEXT;
    std::memcpy(entry.text, text.data(), kept);
    entry.text[kept] = '\0';
    entry.text_length = static_cast<uint16_t>(kept);
    entry.origin = origin;
    entry.listed = true;
    entry.listed_name_length = 0;
    entry.has_endpoint = false;
    entry.endpoint = {};
    entry.result = {};
    entry.status.store(ServerStatus::NotQueried, std::memory_order_relaxed);
    for (int i = list.count; i > position; --i) list.order[i] = list.order[i - 1];
    list.order[position] = static_cast<uint8_t>(slot);
    ++list.count;
    return &entry;
}

void remove_entry(ServerList& list, int position) {
    server_at(list, position).listed = false;
    for (int i = position; i + 1 < list.count; ++i) list.order[i] = list.order[i + 1];
    --list.count;
}

// Gives the entry its endpoint, or logs why the text names none.
void resolve_entry(ServerEntry& entry, std::string_view text, HostResolver resolve) {
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

bool holds_text(const ServerList& list, std::string_view text) {
    for (int i = 0; i < list.count; ++i) {
        const ServerEntry& e = server_at(list, i);
        if (e.origin != ServerOrigin::Internet && e.name() == text) return true;
    }
    return false;
}

// The position of an entry with this endpoint, -1 when there is none.
int find_endpoint(const ServerList& list, Endpoint endpoint) {
    for (int i = 0; i < list.count; ++i) {
        const ServerEntry& e = server_at(list, i);
        if (e.has_endpoint && e.endpoint == endpoint) return i;
    }
    return -1;
}

bool is_listed(const ListedServer* servers, int count, Endpoint endpoint) {
    for (int i = 0; i < count; ++i) {
        if (servers[i].endpoint == endpoint) return true;
    }
    return false;
}

void copy_listed_name(ServerEntry& entry, const ListedServer& server) {
    const size_t n = server.name_length < MAX_SERVER_NAME ? server.name_length : MAX_SERVER_NAME;
    std::memcpy(entry.listed_name, server.name, n);
    entry.listed_name_length = static_cast<uint8_t>(n);
}

}  // namespace

ServerListShape server_list_shape(const ServerList& list) {
    ServerListShape shape;
    for (int i = 0; i < list.count; ++i) {
        switch (server_at(list, i).origin) {
        case ServerOrigin::Fixed: ++shape.fixed; break;
        case ServerOrigin::Added: ++shape.added; break;
        case ServerOrigin::Internet: ++shape.internet; break;
        }
    }
    return shape;
}

bool status_queries_running(const ServerList& list) {
    for (const ServerEntry& e : list.slots) {
        if (e.status.load(std::memory_order_acquire) == ServerStatus::Checking) return true;
    }
    return false;
}

void add_server(ServerList& list, std::string_view text, HostResolver resolve) {
    const ServerListShape shape = server_list_shape(list);
    if (shape.fixed >= MAX_FIXED_SERVERS) return;
    if (ServerEntry* entry = insert_entry(list, shape.fixed, text, ServerOrigin::Fixed)) resolve_entry(*entry, text, resolve);
}

AddResult add_player_server(ServerList& list, std::string_view text, HostResolver resolve) {
    Endpoint endpoint;
    if (const char* error = parse_server_text(text, resolve, endpoint)) return {AddOutcome::Failed, error};
    if (holds_text(list, text)) return {AddOutcome::Duplicate};
    const ServerListShape shape = server_list_shape(list);
    if (shape.added >= MAX_ADDED_SERVERS || text.size() > MAX_SERVER_TEXT) return {AddOutcome::Full};
    // The same server listed by a registry gives way: it is the player's now.
    if (const int known = find_endpoint(list, endpoint); known >= 0 && server_at(list, known).origin == ServerOrigin::Internet) {
        remove_entry(list, known);
    }
    const int position = shape.fixed + shape.added;
    ServerEntry* entry = insert_entry(list, position, text, ServerOrigin::Added);
    if (!entry) return {AddOutcome::Full};
    entry->endpoint = endpoint;
    entry->has_endpoint = true;
    return {AddOutcome::Added, nullptr, position};
}

void add_kept_server(ServerList& list, std::string_view text, HostResolver resolve) {
    const ServerListShape shape = server_list_shape(list);
    if (shape.added >= MAX_ADDED_SERVERS || holds_text(list, text)) return;
    if (ServerEntry* entry = insert_entry(list, shape.fixed + shape.added, text, ServerOrigin::Added)) {
        resolve_entry(*entry, text, resolve);
    }
}

bool remove_player_server(ServerList& list, int position) {
    if (position < 0 || position >= list.count || server_at(list, position).origin != ServerOrigin::Added) return false;
    remove_entry(list, position);
    return true;
}

size_t added_server_texts(const ServerList& list, char* out, size_t capacity) {
    size_t n = 0;
    for (int i = 0; i < list.count; ++i) {
        const ServerEntry& e = server_at(list, i);
        if (e.origin != ServerOrigin::Added) continue;
        for (char c : e.name()) {
            if (n < capacity) out[n] = c;
            ++n;
        }
        if (n < capacity) out[n] = '\n';
        ++n;
    }
    return n;
}

void set_internet_servers(ServerList& list, const ListedServer* servers, int count) {
    count = count < MAX_INTERNET_SERVERS ? count : MAX_INTERNET_SERVERS;
    for (int i = list.count - 1; i >= 0; --i) {
        const ServerEntry& e = server_at(list, i);
        if (e.origin == ServerOrigin::Internet && !is_listed(servers, count, e.endpoint)) remove_entry(list, i);
    }
    for (int k = 0; k < count; ++k) {
        const ListedServer& server = servers[k];
        if (const int known = find_endpoint(list, server.endpoint); known >= 0) {
            ServerEntry& e = server_at(list, known);
            if (e.origin == ServerOrigin::Internet) copy_listed_name(e, server);
            continue;
        }
        FixedText<24> text;
        const uint32_t a = server.endpoint.address;
        text << (a >> 24) << '.' << (a >> 16 & 255) << '.' << (a >> 8 & 255) << '.' << (a & 255) << ':'
             << server.endpoint.port;
        ServerEntry* entry = insert_entry(list, list.count, text.view(), ServerOrigin::Internet);
        if (!entry) return;
        entry->endpoint = server.endpoint;
        entry->has_endpoint = true;
        copy_listed_name(*entry, server);
    }
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
    // We ask as a client of 21; a server that does not know 21 says no, yet
    // we speak its 20 too: a newest version we speak is compatible as well.
    r.compatible = (reply.said_compatible && reply.compatible) || is_known_version(reply.version);
    std::memcpy(r.name, reply.name, reply.name_length);
    r.name_length = reply.name_length;
    entry.status.store(ServerStatus::Answered, std::memory_order_release);
}
