// Developer tool: plays bot-only matches on random maps, headless and as
// fast as the machine allows, and prints for every match the winner, the
// ticks to the win, what each bot gathered and bought and how it died, and
// at the end each skill's share of the matches won.
//
//   skorvia-bots [--matches N] [--seed S] [--minutes M] [SKILL ...]
//
// The skills name the bots, one per slot (default: four normal ones). Match
// k is played on the map of seed S + k.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "bots/match.h"

namespace {

constexpr const char* USAGE = "usage: skorvia-bots [--matches N] [--seed S] [--minutes M] [easy|normal|hard ...]\n";

bool parse_number(const char* text, uint64_t& value) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 10);
    return end && *end == '\0' && end != text;
}

// Purchases are written as the item's name and the second it was made in.
constexpr const char* ITEM_NAMES[SHOP_ITEM_COUNT + 1] = {"?",     "turret",    "shield",  "radar",
                                                         "minimap", "sunshield", "station", "vessel"};

void print_match(const MatchSetup& setup, const MatchResult& r) {
    std::printf("seed %llu: ", static_cast<unsigned long long>(setup.seed));
    if (r.winner == NONE) std::printf("no winner in %.0f s\n", static_cast<double>(r.ticks) / 120.0);
    else
        std::printf("Bot %d (%s) won after %llu ticks (%.0f s)\n", r.winner + 1, skill_name(setup.skills[r.winner]),
                    static_cast<unsigned long long>(r.ticks), static_cast<double>(r.ticks) / 120.0);
    for (int i = 0; i < setup.bots; ++i) {
        const Deaths& d = r.deaths[i];
        std::printf("  Bot %d %-6s gathered %4u, deaths: shot %u sun %u planet %u object %u, bought", i + 1,
                    skill_name(setup.skills[i]), r.gathered[i], d.shot, d.sun, d.planet, d.object);
        const uint32_t kept = r.purchase_count[i] < PURCHASES_KEPT ? r.purchase_count[i] : PURCHASES_KEPT;
        for (uint32_t n = 0; n < kept; ++n) {
            const Purchase& p = r.purchases[i][n];
            std::printf(" %s@%u", ITEM_NAMES[p.item <= SHOP_ITEM_COUNT ? p.item : 0], p.second);
        }
        std::printf(kept == 0 ? " nothing\n" : "\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    uint64_t matches = 20, seed = 1, minutes = 10;
    MatchSetup setup;
    int skills = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        uint64_t* number = arg == "--matches" ? &matches : arg == "--seed" ? &seed : arg == "--minutes" ? &minutes : nullptr;
        if (number) {
            if (i + 1 >= argc || !parse_number(argv[++i], *number)) {
                std::fputs(USAGE, stderr);
                return 2;
            }
            continue;
        }
        BotSkill skill;
        if (skills >= MATCH_MAX_BOTS || !parse_skill(arg, skill)) {
            std::fputs(USAGE, stderr);
            return 2;
        }
        setup.skills[skills++] = skill;
    }
    if (skills == 0) {
        skills = 4;
        for (int i = 0; i < skills; ++i) setup.skills[i] = BotSkill::Normal;
    }
    setup.bots = skills;
    setup.tick_limit = minutes * 60 * 120;

    uint32_t wins[BOT_SKILLS] = {}, entries[BOT_SKILLS] = {};
    uint32_t won = 0;
    uint64_t win_ticks = 0;
    Deaths total{};
    for (int i = 0; i < skills; ++i) ++entries[static_cast<int>(setup.skills[i])];
    for (uint64_t m = 0; m < matches; ++m) {
        MatchSetup one = setup;
        one.seed = seed + m;
        const MatchResult r = play_match(one);
        print_match(one, r);
        std::fflush(stdout);
        if (r.winner != NONE) {
            ++won;
            win_ticks += r.ticks;
            ++wins[static_cast<int>(setup.skills[r.winner])];
        }
        for (int i = 0; i < skills; ++i) {
            total.shot += r.deaths[i].shot;
            total.sun += r.deaths[i].sun;
            total.planet += r.deaths[i].planet;
            total.object += r.deaths[i].object;
        }
    }
    std::printf("\n%u of %llu matches won", won, static_cast<unsigned long long>(matches));
    if (won) std::printf(", on average after %.0f s", static_cast<double>(win_ticks) / won / 120.0);
    std::printf("\ndeaths of all bots: shot %u sun %u planet %u object %u\n", total.shot, total.sun, total.planet,
                total.object);
    for (int k = 0; k < BOT_SKILLS; ++k) {
        if (entries[k] == 0) continue;
        std::printf("%-6s (%u bots): won %u of %llu matches (%.0f %%)\n", skill_name(static_cast<BotSkill>(k)),
                    entries[k], wins[k], static_cast<unsigned long long>(matches),
                    100.0 * wins[k] / static_cast<double>(matches ? matches : 1));
    }
    return 0;
}
