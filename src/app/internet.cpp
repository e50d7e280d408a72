#include "app/internet.h"

#include <atomic>
#include <cstring>
#include <system_error>
#include <thread>

#include "app/app.h"
#include "app/client_hooks.h"
#include "base/log.h"

// One round: what the worker was asked and what it found. Shared by the
// worker and the App until both are done with it.
struct InternetRound {
    RegistryUrl urls[MAX_REGISTRY_URLS];
    int count = 0;
    ListedServer found[MAX_INTERNET_SERVERS];
    int found_count = 0;
    const char* failures[MAX_REGISTRY_URLS] = {};
    std::atomic<bool> done{false};
};

namespace {

// Most servers read from one registry.
constexpr int READ_PER_REGISTRY = 256;

// Whether the round may show this server: an address the game may ask, not
// listed already, and not one more at an address that has its share.
bool may_show(const InternetRound& round, Endpoint endpoint, bool registry_on_loopback) {
    if (!may_query_listed(endpoint, registry_on_loopback)) return false;
    int at_address = 0;
    for (int i = 0; i < round.found_count; ++i) {
        if (round.found[i].endpoint == endpoint) return false;
        at_address += round.found[i].endpoint.address == endpoint.address;
    }
    return at_address < MAX_SHOWN_PER_ADDRESS;
}

void run_round(InternetRound& round) {
    auto read = std::make_unique<RegistryEntry[]>(READ_PER_REGISTRY);
    for (int u = 0; u < round.count; ++u) {
        int count = 0;
        round.failures[u] = fetch_server_list(round.urls[u], read.get(), READ_PER_REGISTRY, count);
        for (int i = 0; i < count && round.found_count < MAX_INTERNET_SERVERS; ++i) {
            if (!may_show(round, read[i].endpoint, round.urls[u].loopback)) continue;
            ListedServer& s = round.found[round.found_count++];
            s.endpoint = read[i].endpoint;
            s.name_length = read[i].name_length;
            std::memcpy(s.name, read[i].name, read[i].name_length);
        }
    }
    round.done.store(true, std::memory_order_release);
}

void say_once(InternetList& internet, int u, const char* failure) {
    LogText line;
    if (failure) line << "can't read the server list of " << internet.texts[u] << ": " << failure;
    if (internet.last_said[u] == line.view()) return;
    internet.last_said[u] = std::string(line.view());
    if (failure) log_line(LogLevel::Warning, line);
}

}  // namespace

void set_up_internet(InternetList& internet, const char* variable) {
    if (!variable) return;
    std::string_view rest = variable;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        std::string_view text = rest.substr(0, comma);
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
        if (text.empty()) continue;
        LogText line;
        if (internet.count == MAX_REGISTRY_URLS) {
            line << "SKORVIA_REGISTRY names more than " << MAX_REGISTRY_URLS << " registries; skipping '" << text << "'";
            log_line(LogLevel::Warning, line);
            continue;
        }
        if (const char* fault = parse_registry_url(text, internet.urls[internet.count])) {
            line << "can't use the registry '" << text << "': " << fault;
            log_line(LogLevel::Warning, line);
            continue;
        }
        internet.texts[internet.count++] = std::string(text);
    }
}

bool internet_round_running(const InternetList& internet) {
    return internet.round && !internet.round->done.load(std::memory_order_acquire);
}

void start_internet_round(InternetList& internet) {
    if (internet.count == 0 || internet_round_running(internet)) return;
    auto round = std::make_shared<InternetRound>();
    round->count = internet.count;
    for (int u = 0; u < internet.count; ++u) round->urls[u] = internet.urls[u];
    try {
        std::thread([round] { run_round(*round); }).detach();
    } catch (const std::system_error&) {
        return;  // asked again with the next round of status queries
    }
    internet.round = std::move(round);
}

bool take_internet_round(App& app) {
    InternetList& internet = app.internet;
    if (!internet.round || !internet.round->done.load(std::memory_order_acquire)) return false;
    const InternetRound& round = *internet.round;
    internet.answered = false;
    for (int u = 0; u < round.count; ++u) {
        say_once(internet, u, round.failures[u]);
        internet.answered = internet.answered || !round.failures[u];
    }
    // A round where no registry answered keeps what the last one listed.
    if (internet.answered) set_internet_servers(app.servers, round.found, round.found_count);
    internet.taken = true;
    internet.round.reset();
    return true;
}

std::string_view internet_note(const InternetList& internet) {
    if (!internet.taken) return "asking...";
    return internet.answered ? "no servers listed" : "no registry answered";
}
