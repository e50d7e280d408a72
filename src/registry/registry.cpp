#include "registry/registry.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include <nlohmann/json.hpp>


namespace {

uint64_t key_of(Endpoint e) { return static_cast<uint64_t>(e.address) << 16 | e.port; }

// Every caller holds the mutex.
Listing* find(Registry& r, Endpoint e) {
    const auto found = r.index.find(key_of(e));
    return found == r.index.end() ? nullptr : &r.listings[found->second];
}

void remove_listing(Registry& r, uint32_t i) {
    Listing& gone = r.listings[i];
    if (gone.state == ListingState::Listed) r.list_stale = true;
    if (auto source = r.sources.find(gone.endpoint.address); source != r.sources.end() && source->second.servers > 0) {
        --source->second.servers;
    }
    r.index.erase(key_of(gone.endpoint));
    if (i + 1 != r.listings.size()) {
        gone = r.listings.back();
        r.index[key_of(gone.endpoint)] = i;
    }
    r.listings.pop_back();
}

bool queue_check(Registry& r, Listing& listing) {
    if (listing.queued) return true;
    if (r.check_count == CHECK_QUEUE_CAPACITY) return false;
    r.check_queue[(r.check_head + r.check_count) % CHECK_QUEUE_CAPACITY] = listing.endpoint;
    ++r.check_count;
    listing.queued = true;
    r.check_wake.notify_one();
    return true;
}

// The source's allowance: a burst, then a steady trickle.
bool take_token(SourceRecord& s, int64_t now_ms) {
    const int64_t elapsed = now_ms - s.refilled_ms;
    if (elapsed > 0) {
        s.tokens = std::min<float>(ANNOUNCE_BURST, s.tokens + static_cast<float>(elapsed) / ANNOUNCE_REFILL_MS);
        s.refilled_ms = now_ms;
    }
    if (s.tokens < 1.0f) return false;
    s.tokens -= 1.0f;
    return true;
}

SourceRecord* source_record(Registry& r, uint32_t source, int64_t now_ms) {
    if (auto found = r.sources.find(source); found != r.sources.end()) return &found->second;
    if (r.sources.size() >= SOURCE_CAPACITY) {
        // Make room from sources with nothing listed whose allowance is whole again.
        for (auto it = r.sources.begin(); it != r.sources.end();) {
            const bool idle = it->second.servers == 0 &&
                              now_ms - it->second.refilled_ms >= ANNOUNCE_BURST * ANNOUNCE_REFILL_MS;
            it = idle ? r.sources.erase(it) : std::next(it);
        }
        if (r.sources.size() >= SOURCE_CAPACITY) return nullptr;
    }
    SourceRecord& s = r.sources[source];
    s.refilled_ms = now_ms;
    return &s;
}

Answer answer_known(Registry& r, Listing& listing, int64_t now_ms) {
    listing.announced_ms = now_ms;
    switch (listing.state) {
    case ListingState::Listed:
        if (now_ms - listing.checked_ms >= RECHECK_AFTER_MS) queue_check(r, listing);
        return {200, "listed"};
    case ListingState::Failed:
        if (!listing.queued && now_ms - listing.checked_ms < RETRY_AFTER_MS) {
            return {403, "not listed: no skorvia server answered the status query at this address and port"};
        }
        return queue_check(r, listing) ? Answer{202, "checking"} : Answer{503, "busy checking other servers"};
    case ListingState::Unchecked: break;
    }
    return {202, "checking"};
}

void maybe_forget(Registry& r, int64_t now_ms) {
    if (now_ms - r.expired_ms < 1000) return;
    r.expired_ms = now_ms;
    for (uint32_t i = static_cast<uint32_t>(r.listings.size()); i-- > 0;) {
        if (now_ms - r.listings[i].announced_ms > r.rules.forget_after_ms) remove_listing(r, i);
    }
}

// The listed servers in rounds per address (see registry.h).
std::vector<const Listing*> list_order(const Registry& r) {
    std::vector<const Listing*> listed;
    listed.reserve(r.listings.size());
    for (const Listing& l : r.listings) {
        if (l.state == ListingState::Listed) listed.push_back(&l);
    }
    const auto older = [](const Listing* a, const Listing* b) {
        if (a->listed_ms != b->listed_ms) return a->listed_ms < b->listed_ms;
        return key_of(a->endpoint) < key_of(b->endpoint);
    };
    std::sort(listed.begin(), listed.end(), [&](const Listing* a, const Listing* b) {
        if (a->endpoint.address != b->endpoint.address) return a->endpoint.address < b->endpoint.address;
        return older(a, b);
    });
    std::vector<std::pair<uint32_t, const Listing*>> rounds;
    rounds.reserve(listed.size());
    uint32_t round = 0;
    for (size_t i = 0; i < listed.size(); ++i) {
        round = i > 0 && listed[i - 1]->endpoint.address == listed[i]->endpoint.address ? round + 1 : 0;
        rounds.emplace_back(round, listed[i]);
    }
    std::sort(rounds.begin(), rounds.end(), [&](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return older(a.second, b.second);
    });
    for (size_t i = 0; i < rounds.size(); ++i) listed[i] = rounds[i].second;
    return listed;
}

std::string make_list_body(const Registry& r) {
    nlohmann::json servers = nlohmann::json::array();
    for (const Listing* l : list_order(r)) {
        nlohmann::json item = {{"address", endpoint_text(l->endpoint)},
                               {"players", l->shown.players},
                               {"max", l->shown.max_players}};
        if (l->shown.name_length > 0) item["name"] = std::string(l->shown.name_view());
        servers.push_back(std::move(item));
    }
    return nlohmann::json{{"servers", std::move(servers)}}.dump();
}

}  // namespace

int64_t registry_now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void init_registry(Registry& registry, const RegistryRules& rules) {
    registry.rules = rules;
    registry.listings.reserve(REGISTRY_CAPACITY);
    registry.index.reserve(REGISTRY_CAPACITY);
    registry.sources.reserve(SOURCE_CAPACITY);
}

Answer announce(Registry& r, uint32_t source, std::string_view body, int64_t now_ms) {
    Announcement a;
    if (body.size() > MAX_ANNOUNCEMENT_BODY) return {413, "the announcement is too large"};
    if (const char* error = parse_announcement(body, a)) return {400, error};
    std::lock_guard lock(r.mutex);
    maybe_forget(r, now_ms);
    SourceRecord* s = source_record(r, source, now_ms);
    if (!s) return {503, "too many announcing addresses, try again later"};
    if (!take_token(*s, now_ms)) return {429, "too many announcements from this address"};
    const Endpoint endpoint = {source, a.port};
    if (Listing* known = find(r, endpoint)) return answer_known(r, *known, now_ms);
    if (s->servers >= MAX_SERVERS_PER_SOURCE) return {429, "too many servers at this address"};
    if (r.listings.size() >= REGISTRY_CAPACITY) return {503, "the registry is full"};
    if (r.check_count == CHECK_QUEUE_CAPACITY) return {503, "busy checking other servers, try again later"};
    Listing listing;
    listing.endpoint = endpoint;
    listing.announced_ms = now_ms;
    std::memcpy(listing.shown.name, a.name, a.name_length);
    listing.shown.name_length = a.name_length;
    listing.shown.endpoint = endpoint;
    r.index[key_of(endpoint)] = static_cast<uint32_t>(r.listings.size());
    r.listings.push_back(listing);
    ++s->servers;
    queue_check(r, r.listings.back());
    return {202, "checking"};
}

bool counts_add_up(const StatusReply& reply) {
    return reply.max_players >= 1 && reply.max_players <= STATUS_MAX_PLAYERS &&
           reply.players + reply.bots <= reply.max_players;
}

bool take_queued_check(Registry& r, Endpoint& endpoint) {
    while (r.check_count > 0) {
        const Endpoint next = r.check_queue[r.check_head];
        r.check_head = (r.check_head + 1) % CHECK_QUEUE_CAPACITY;
        --r.check_count;
        Listing* listing = find(r, next);
        if (!listing) continue;  // forgotten while it waited
        listing->queued = false;
        endpoint = next;
        return true;
    }
    return false;
}

void finish_check(Registry& r, Endpoint endpoint, const StatusReply* reply, int64_t now_ms) {
    std::lock_guard lock(r.mutex);
    Listing* listing = find(r, endpoint);
    if (!listing) return;
    const bool was_listed = listing->state == ListingState::Listed;
    listing->checked_ms = now_ms;
    listing->queued = false;
    if (!reply || !counts_add_up(*reply)) {
        listing->state = ListingState::Failed;
        r.list_stale = r.list_stale || was_listed;
        return;
    }
    if (!was_listed) listing->listed_ms = now_ms;
    listing->state = ListingState::Listed;
    listing->shown.players = reply->players;
    listing->shown.max_players = reply->max_players;
    // The server's own name counts over the announced one.
    if (reply->name_length > 0) {
        std::memcpy(listing->shown.name, reply->name, reply->name_length);
        listing->shown.name_length = reply->name_length;
    }
    r.list_stale = true;
}

std::shared_ptr<const std::string> server_list_body(Registry& r, int64_t now_ms) {
    std::lock_guard lock(r.mutex);
    maybe_forget(r, now_ms);
    if (r.list_stale || !r.list_body) {
        r.list_body = std::make_shared<const std::string>(make_list_body(r));
        r.list_stale = false;
    }
    return r.list_body;
}

void forget_silent_servers(Registry& r, int64_t now_ms) {
    std::lock_guard lock(r.mutex);
    r.expired_ms = 0;
    maybe_forget(r, now_ms);
}

