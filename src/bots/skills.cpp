#include "bots/skills.h"

namespace {

// An easy bot reacts in a third of a second, misses by up to 7 degrees, rarely
// picks a fight, never steals, never stops anyone boarding, keeps only one
// collector at each planet, takes a rest after each collector it delivers
// and saves up before it buys a station: a player who has finished the
// tutorial can beat it.
constexpr SkillTraits TRAITS[BOT_SKILLS] = {
    {40, 0.12f, 0.10f, 0.15f, 380.0f, 320.0f, false, false, 1, 120 * 20, 1, 15},
    {14, 0.05f, 0.06f, 0.45f, 520.0f, 430.0f, true, true, 2, 0, 4, 0},
    {5, 0.015f, 0.04f, 0.80f, 650.0f, 500.0f, true, true, 2, 0, 4, 0},
};
constexpr const char* NAMES[BOT_SKILLS] = {"easy", "normal", "hard"};

int index_of(BotSkill skill) {
    const int i = static_cast<int>(skill);
    return i < BOT_SKILLS ? i : 1;
}

}  // namespace

const SkillTraits& skill_traits(BotSkill skill) { return TRAITS[index_of(skill)]; }

const char* skill_name(BotSkill skill) { return NAMES[index_of(skill)]; }

bool parse_skill(std::string_view text, BotSkill& skill) {
    for (int i = 0; i < BOT_SKILLS; ++i) {
        if (text == NAMES[i]) {
            skill = static_cast<BotSkill>(i);
            return true;
        }
    }
    return false;
}
