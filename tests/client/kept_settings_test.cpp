// The text of the kept settings and servers: what is read, what is refused.
#include "client/kept_settings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string parse(std::string_view text, KeptSettings& s) {
    char error[200];
    const char* failed = parse_settings(text, s, error, sizeof error);
    return failed ? failed : "";
}

TEST(KeptSettings, WrittenAndReadBack) {
    const KeptSettings chosen = {30, 4, true, BotSkill::Hard};
    char text[512];
    const size_t n = format_settings(chosen, text, sizeof text);
    EXPECT_NE(std::string(text, n).find("volume = 30\nresolution = 2560x1440\ndisplay = borderless\nbots = hard\n"),
              std::string::npos);
    KeptSettings read;
    EXPECT_EQ(parse({text, n}, read), "");
    EXPECT_EQ(read, chosen);
}

TEST(KeptSettings, BadValuesAreRefusedWholeAndUnknownNamesSkipped) {
    struct Case {
        const char* text;
        const char* error;  // "" when read
    };
    const Case cases[] = {
        {"volume = 40\nbot skill = 3\n", ""},  // a later version's setting
        {"display = windowed\n", ""},
        {"volume = 45\n", "line 1: volume must be 0 to 100 in steps of 10, not 45"},
        {"volume = 110\n", "line 1: volume must be 0 to 100 in steps of 10, not 110"},
        {"\nresolution = 1280x721\n", "line 2: resolution must be 960x540, 1280x720, 1600x900, 1920x1080 or 2560x1440, not 1280x721"},
        {"display = fullscreen\n", "line 1: display must be windowed or borderless, not fullscreen"},
        {"bots = expert\n", "line 1: bots must be easy, normal or hard, not expert"},
        {"volume 40\n", "line 1: a line without '='"},
        {"= 40\n", "line 1: a line without a name before '='"},
    };
    for (const Case& c : cases) {
        KeptSettings s;
        s.volume = 70;
        EXPECT_EQ(parse(c.text, s), c.error) << c.text;
        if (*c.error) {
            EXPECT_EQ(s.volume, 70) << "nothing of a refused file is taken: " << c.text;
        }
    }
}

TEST(KeptServers, OneAddressALine) {
    KeptServers servers;
    char error[200];
    EXPECT_EQ(parse_servers("# mine\n203.0.113.7:7777\n\n  game.example.org  \n", servers, error, sizeof error),
              nullptr);
    ASSERT_EQ(servers.count, 2);
    EXPECT_EQ(servers.texts[1], "game.example.org");

    EXPECT_STREQ(parse_servers("ok.example\nbad host\n", servers, error, sizeof error), "line 2: not a server address");
    EXPECT_STREQ(parse_servers("\xff\xfe\n", servers, error, sizeof error), "line 1: not a server address");
    std::string many;
    for (int i = 0; i <= MAX_ADDED_SERVERS; ++i) many += "10.0.0." + std::to_string(i) + "\n";
    EXPECT_STREQ(parse_servers(many, servers, error, sizeof error), "line 17: more servers than the game keeps");
}

}  // namespace
