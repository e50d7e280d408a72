#pragma once
// The computer players of a server session: which skill they play, from
// which seed they draw, how many planes they fill up to, and each bot's own
// record by slot (meaningful where the slot holds a bot; bot_slots.h runs
// them).
#include <cstdint>

#include "bots/bot_state.h"

struct BotRoster {
    Bot bots[MAX_PLANES];           // by slot; meaningful where the slot holds a bot
    uint8_t planes = 0;      // bots fill free slots until this many planes fly
    bool always = false;     // bots play even while no person is connected
    BotSkill skill = BotSkill::Normal;
    uint64_t seed = 0;       // every bot's decisions are drawn from this
    uint32_t joined = 0;     // bots that have joined so far
};
