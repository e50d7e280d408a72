#pragma once
// The registry's table of public servers and its rules, apart from HTTP:
//   - an announcement names a port; the address is the one it came from;
//   - a new address is listed only after the registry has asked it for its
//     status itself and a skorvia server answered (so nobody can list an
//     address of someone else's, or one where nothing answers);
//   - an address already checked is not checked again on every
//     announcement: a listed one every RECHECK_AFTER_MS, a failed one not
//     before RETRY_AFTER_MS;
//   - a server is forgotten FORGET_AFTER_MS after its last announcement;
//   - each source address may announce ANNOUNCE_BURST times at once and
//     then one announcement per ANNOUNCE_REFILL_MS, for at most
//     MAX_SERVERS_PER_SOURCE servers;
//   - a server is listed only when its counts add up: people and bots
//     together no more than its seats, and at most STATUS_MAX_PLAYERS seats;
//   - the list comes in rounds, each address's longest-listed server first,
//     then each one's second, and so on, the longest-listed first within a
//     round: what a server says of itself (its counts) never moves it up,
//     and one address cannot push the others down;
//   - every table has a fixed capacity: memory stays flat under any load.
// All functions are safe to call from several threads.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "registry/listing.h"

constexpr uint16_t REGISTRY_DEFAULT_PORT = 7780;
constexpr int REGISTRY_CAPACITY = 16384;
constexpr int SOURCE_CAPACITY = 65536;
constexpr int MAX_SERVERS_PER_SOURCE = 16;
constexpr int CHECK_QUEUE_CAPACITY = 256;
constexpr int ANNOUNCE_BURST = 40;
constexpr int64_t ANNOUNCE_REFILL_MS = 500;
constexpr int64_t ANNOUNCE_INTERVAL_MS = 15000;
constexpr int64_t FORGET_AFTER_MS = 45000;
constexpr int64_t RECHECK_AFTER_MS = 600000;
constexpr int64_t RETRY_AFTER_MS = 60000;
constexpr int CHECK_TIMEOUT_MS = 3000;

enum class ListingState : uint8_t {
    Unchecked,
    Listed,
    Failed,  // it did not answer as a skorvia server
};

struct Listing {
    Endpoint endpoint;
    ListingState state = ListingState::Unchecked;
    bool queued = false;  // waiting for a checker (a listed one stays listed meanwhile)
    int64_t announced_ms = 0;  // the last announcement
    int64_t checked_ms = 0;    // the last check's end
    int64_t listed_ms = 0;     // when it was listed, for the order of the list
    RegistryEntry shown;       // what GET /servers says of it
};

struct SourceRecord {
    float tokens = ANNOUNCE_BURST;
    int64_t refilled_ms = 0;
    uint16_t servers = 0;  // listings from this address
};

struct RegistryRules {
    int64_t forget_after_ms = FORGET_AFTER_MS;
    // The whole status exchange of one check: connecting, asking, reading.
    int check_timeout_ms = CHECK_TIMEOUT_MS;
};

struct Registry {
    RegistryRules rules;
    std::mutex mutex;
    std::vector<Listing> listings;  // capacity REGISTRY_CAPACITY, never more
    std::unordered_map<uint64_t, uint32_t> index;  // endpoint key -> listing
    std::unordered_map<uint32_t, SourceRecord> sources;
    Endpoint check_queue[CHECK_QUEUE_CAPACITY];
    int check_head = 0;
    int check_count = 0;
    std::condition_variable check_wake;
    std::thread checker;
    bool stopping = false;
    int64_t expired_ms = 0;  // the last sweep for forgotten servers
    // The answer to GET /servers, made again only after the list changed.
    std::shared_ptr<const std::string> list_body;
    bool list_stale = true;
};

// Sets up the tables (all memory is taken here).
void init_registry(Registry& registry, const RegistryRules& rules = {});

struct Answer {
    int status = 200;
    std::string_view text;  // a short line for the announcer's log
};

// One announcement from `source` (IPv4, host byte order) at `now_ms`.
Answer announce(Registry& registry, uint32_t source, std::string_view body, int64_t now_ms);

// The list of servers as JSON: the listed ones, in rounds per address.
std::shared_ptr<const std::string> server_list_body(Registry& registry, int64_t now_ms);

// Forgets the servers that stopped announcing.
void forget_silent_servers(Registry& registry, int64_t now_ms);

// The checker: one thread that asks the queued addresses for their status,
// all of them at once (registry/checker.h), so that a slow server never
// holds up another's check.
void start_checker(Registry& registry);
void stop_checker(Registry& registry);

// The next queued address whose listing is still there, taken off the
// queue; false when none is waiting. The caller holds the mutex.
bool take_queued_check(Registry& registry, Endpoint& endpoint);

// A check's end, as the checker reports it (exposed for the tests and the
// benchmarks). A reply whose counts do not add up counts as no answer.
void finish_check(Registry& registry, Endpoint endpoint, const StatusReply* reply, int64_t now_ms);

// Whether a status reply's counts add up (see the rules above).
bool counts_add_up(const StatusReply& reply);

// Milliseconds of a steady clock.
int64_t registry_now_ms();
