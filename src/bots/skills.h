#pragma once
// How well a bot plays. The three skills differ in how quickly a bot notices
// a change (it re-plans only every `reaction_ticks`), how well it aims, how
// readily it fights, how fast it dares to fly, and how much it wants before
// it goes for the win.
#include <cstdint>
#include <string_view>

enum class BotSkill : uint8_t { Easy = 0, Normal = 1, Hard = 2 };
constexpr int BOT_SKILLS = 3;

struct SkillTraits {
    uint16_t reaction_ticks;     // between two looks at the whole field
    float aim_error;             // largest random error of an aim, radians
    float fire_tolerance;        // fires when the nose is this close to the aim point
    float aggression;            // 0..1: the share of chances to fight that it takes
    float fight_range;           // enemies nearer than this are fought
    float cruise_speed;          // fastest it flies on its own, wu/s
    bool chases_boarders;        // goes after a player who is boarding an exit vessel
    bool steals;                 // takes collectors that others own
    uint8_t sun_collectors;      // collectors it upgrades for the sun
    uint16_t rest_ticks;         // it drifts this long after each collector it delivered
    uint8_t planet_collectors;   // most collectors it keeps gathering at one planet
    uint8_t station_reserve;     // of each resource it keeps beyond a station's price before buying one
};

const SkillTraits& skill_traits(BotSkill skill);

// "easy", "normal", "hard".
const char* skill_name(BotSkill skill);
// False for any other word.
bool parse_skill(std::string_view text, BotSkill& skill);
