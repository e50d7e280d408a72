#pragma once
// What a bot remembers between ticks: its goal, the goal's target, its
// timers. Plain records, read and written by the bot's decision (bot.h) and
// its planning (plans.h).
#include <cstdint>

#include "bots/skills.h"
#include "world/world.h"

enum BotGoal : uint8_t {
    GOAL_NONE = 0,
    GOAL_TOW,          // hook `target` and take it to `place`
    GOAL_FIGHT,        // shoot the plane of slot `target`
    GOAL_BUY_STATION,  // stop in open space and buy an upgrade station
    GOAL_BUY_VESSEL,   // stop and buy an exit vessel
    GOAL_BOARD,        // sit in exit vessel `target` until the round is won
};

// Where a tow goes: a body's orbit (its index), or an upgrade station's
// sphere (PLACE_STATION + the station's object index).
constexpr uint8_t PLACE_STATION = 0x80;

struct Bot {
    uint8_t slot = 0;
    BotSkill skill = BotSkill::Normal;
    uint64_t seed = 0;
    uint32_t ticks = 0;       // decisions made
    uint16_t plan_in = 0;     // ticks until the bot looks at the whole field again
    uint8_t goal = GOAL_NONE;
    uint8_t target = NONE;
    uint8_t place = NONE;
    uint32_t goal_ticks = 0;  // ticks spent on the goal
    Vec2 spot{};              // where a purchase is made
    float aim_offset = 0;     // this look's aiming error, radians
    bool hook_pressed = false;  // the hook key of the last input
    uint32_t rest_until = 0;  // it drifts, doing nothing, until this decision
    uint8_t given_up = NONE;  // an object it failed to take, left alone ...
    uint32_t given_up_until = 0;  // ... until this decision
};
