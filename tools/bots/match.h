#pragma once
// One bot-only match: a server session on the random map of a seed, one bot
// per listed skill, played tick by tick until the first win or the time
// limit, with the figures of how it went.
#include <cstdint>

#include "bots/skills.h"
#include "world/world.h"

constexpr int MATCH_MAX_BOTS = MAX_PLANES;

struct MatchSetup {
    uint64_t seed = 1;
    int bots = 4;
    BotSkill skills[MATCH_MAX_BOTS] = {};  // by slot
    uint64_t tick_limit = 120 * 600;        // 10 minutes of game time
};

// Deaths by cause, per bot.
struct Deaths {
    uint32_t shot = 0;
    uint32_t sun = 0;
    uint32_t planet = 0;
    uint32_t object = 0;
};

// A purchase and when it was made.
struct Purchase {
    uint8_t item = ITEM_NONE;
    uint32_t second = 0;
};
constexpr int PURCHASES_KEPT = 24;

struct MatchResult {
    uint8_t winner = NONE;  // slot, NONE when nobody won in time
    uint64_t ticks = 0;     // ticks played (to the win, or the limit)
    uint32_t gathered[MATCH_MAX_BOTS] = {};    // planet and sun resource credited
    Purchase purchases[MATCH_MAX_BOTS][PURCHASES_KEPT] = {};  // the first ones, in order
    uint32_t purchase_count[MATCH_MAX_BOTS] = {};
    Deaths deaths[MATCH_MAX_BOTS] = {};
};

MatchResult play_match(const MatchSetup& setup);
