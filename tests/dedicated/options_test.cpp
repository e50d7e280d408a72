#include "dedicated/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

OptionsOutcome parse(std::vector<const char*> args, ServerOptions& out, std::string* error = nullptr) {
    args.insert(args.begin(), "skorvia-server");
    char text[160] = {};
    const OptionsOutcome outcome = parse_server_options(static_cast<int>(args.size()), args.data(), out, text, sizeof text);
    if (error) *error = text;
    return outcome;
}

TEST(ServerOptions, DefaultsAndEachOption) {
    ServerOptions o;
    ASSERT_EQ(parse({}, o), OptionsOutcome::Run);
    EXPECT_EQ(o.port, 7777);
    EXPECT_EQ(o.layout, MapLayout::Random);
    EXPECT_FALSE(o.seed_given);
    EXPECT_EQ(o.bot_skill, BotSkill::Normal);
    EXPECT_EQ(o.registry_count, 0);
    EXPECT_EQ(o.announce_seconds, 15u);

    ASSERT_EQ(parse({"--port", "0", "--layout", "fixed", "--seed", "18446744073709551615"}, o), OptionsOutcome::Run);
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.layout, MapLayout::Fixed);
    EXPECT_TRUE(o.seed_given);
    EXPECT_EQ(o.seed, UINT64_MAX);

    ASSERT_EQ(parse({"--port=65535", "--layout=random", "--seed=0"}, o), OptionsOutcome::Run);
    EXPECT_EQ(o.port, 65535);
    EXPECT_EQ(o.layout, MapLayout::Random);
    EXPECT_TRUE(o.seed_given);
    EXPECT_EQ(o.seed, 0u);

    ASSERT_EQ(parse({"--win-amount", "0", "--vessel-cost=4294967295"}, o), OptionsOutcome::Run);
    EXPECT_TRUE(o.win_amount_given);
    EXPECT_EQ(o.win_amount, 0u);
    EXPECT_TRUE(o.vessel_cost_given);
    EXPECT_EQ(o.vessel_cost, UINT32_MAX);

    EXPECT_EQ(o.bots, 0);
    EXPECT_FALSE(o.bots_always);
    ASSERT_EQ(parse({"--bots", "3", "--bot-skill", "hard", "--bots-always"}, o), OptionsOutcome::Run);
    EXPECT_EQ(o.bots, 3);
    EXPECT_EQ(o.bot_skill, BotSkill::Hard);
    EXPECT_TRUE(o.bots_always);
    ASSERT_EQ(parse({"--bots=8", "--bot-skill=easy"}, o), OptionsOutcome::Run);
    EXPECT_EQ(o.bots, 8);
    EXPECT_EQ(o.bot_skill, BotSkill::Easy);
    EXPECT_FALSE(o.bots_always);

    ASSERT_EQ(parse({"--register", "http://127.0.0.1:7780", "--register=https://registry.example.org/skorvia",
                     "--name", "Friday night"},
                    o),
              OptionsOutcome::Run);
    ASSERT_EQ(o.registry_count, 2);
    EXPECT_STREQ(o.registries[1], "https://registry.example.org/skorvia");
    EXPECT_STREQ(o.name, "Friday night");
    ASSERT_EQ(parse({"--register", "http://a", "--register", "http://b", "--register", "http://c", "--register", "http://d"}, o),
              OptionsOutcome::Run);
    EXPECT_EQ(o.registry_count, 4) << "up to four registries";
    EXPECT_EQ(parse({"--port", "1", "--help"}, o), OptionsOutcome::Help);
}

TEST(ServerOptions, BadArgumentsNameTheFault) {
    struct Case {
        std::vector<const char*> args;
        const char* mentions;
    };
    const Case cases[] = {
        {{"--port", "65536"}, "65536"},
        {{"--port", "-1"}, "-1"},
        {{"--port", "77a"}, "77a"},
        {{"--port", ""}, "port"},
        {{"--port"}, "--port"},
        {{"--layout", "square"}, "square"},
        {{"--seed", "18446744073709551616"}, "18446744073709551616"},
        {{"--seed", "0x10"}, "0x10"},
        {{"--win-amount", "4294967296"}, "4294967296"},
        {{"--vessel-cost", "-5"}, "-5"},
        {{"--bots", "9"}, "9"},
        {{"--bot-skill", "expert"}, "expert"},
        {{"--bots-always=yes"}, "--bots-always"},
        {{"--register", "ftp://registry.example.org"}, "not an http:// or https:// address"},
        {{"--register", "a", "--register", "b"}, "'a'"},
        {{"--register", "http://a", "--register", "http://b", "--register", "http://c", "--register", "http://d",
          "--register", "http://e"},
         "more than 4 registries at 'http://e'"},
        {{"--name", "a name of more than thirty-two bytes"}, "thirty-two"},
        {{"--name", "tab\there"}, "bad name"},
        {{"--announce-every", "0"}, "bad interval"},
        {{"--verbose"}, "--verbose"},
        {{"7777"}, "7777"},
    };
    for (const Case& c : cases) {
        ServerOptions o;
        o.port = 1234;
        std::string error;
        EXPECT_EQ(parse(c.args, o, &error), OptionsOutcome::Bad) << c.mentions;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
        EXPECT_EQ(o.port, 1234) << "nothing is changed by a bad command line";
    }
}

}  // namespace
