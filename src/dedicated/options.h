#pragma once
// The dedicated server's command line:
//   skorvia-server [--port N] [--layout fixed|random] [--seed N]
//                  [--bots N] [--bots-always] [--bot-skill easy|normal|hard]
//                  [--register URL]... [--name TEXT] [--protocol-20] [--help]
#include <cstddef>
#include <cstdint>

#include "bots/skills.h"

constexpr uint16_t SERVER_DEFAULT_PORT = 7777;
// Registries a server announces itself to at most.
constexpr int MAX_REGISTRIES = 4;
constexpr uint32_t DEFAULT_ANNOUNCE_SECONDS = 15;

enum class MapLayout : uint8_t {
    Fixed,   // the plain generated world: one collector, no bodies
    Random,  // a playable map drawn from the seed
};

struct ServerOptions {
    uint16_t port = SERVER_DEFAULT_PORT;  // 0: the system picks a free one
    MapLayout layout = MapLayout::Random;
    bool seed_given = false;
    uint64_t seed = 0;
    // Bots fill free slots until this many planes fly (0: no bots), but only
    // while a person is connected, unless bots_always.
    uint8_t bots = 0;
    bool bots_always = false;
    BotSkill bot_skill = BotSkill::Normal;
    // For load tests, left out of the usage text: rounds that can be won at
    // once. --win-amount sets how much of each resource boarding needs,
    // --vessel-cost the sun resource an exit vessel costs; both are kept
    // for every round and reach the clients with the rules in each snapshot.
    bool win_amount_given = false;
    uint32_t win_amount = 0;
    bool vessel_cost_given = false;
    uint32_t vessel_cost = 0;
    // Registries to announce to (base URLs, pointing into argv), and the
    // name shown in their lists and in the status reply (empty: none).
    const char* registries[MAX_REGISTRIES] = {};
    int registry_count = 0;
    const char* name = "";
    // Protocol 20 proves no sender's address and answers a few bytes with
    // the whole world: served only when the host asks for it.
    bool protocol_20 = false;
    // For tests, left out of the usage text: seconds between announcements.
    uint32_t announce_seconds = DEFAULT_ANNOUNCE_SECONDS;
};

enum class OptionsOutcome : uint8_t {
    Run,   // options filled in
    Help,  // --help: print the usage and stop
    Bad,   // `error` names the fault in one line
};

// Reads argv[1..argc). Nothing is printed here.
OptionsOutcome parse_server_options(int argc, const char* const* argv, ServerOptions& options, char* error,
                                    size_t error_capacity);

// The usage text, several lines, each ending with a line feed.
const char* server_usage();

const char* layout_name(MapLayout layout);
