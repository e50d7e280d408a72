#include "net/status_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "net/wire.h"

namespace {

struct DecimalCase {
    const char* text;
    uint64_t max;
    bool ok;
    uint64_t value;
};

TEST(StatusDecimal, FollowsTheDecimalRule) {
    const DecimalCase cases[] = {
        {"20", 255, true, 20},
        {"+20", 255, true, 20},
        {"2_0", 255, true, 20},
        {"1_2_3", 255, true, 123},
        {"007", 255, true, 7},
        {"-0", UINT64_MAX, true, 0},
        {"-0_0", 255, true, 0},
        {"255", 255, true, 255},
        {"18446744073709551615", UINT64_MAX, true, UINT64_MAX},
        {"_20", 255, false, 0},
        {"20_", 255, false, 0},
        {"2__0", 255, false, 0},
        {"+_20", 255, false, 0},
        {"-5", UINT64_MAX, false, 0},
        {"-", 255, false, 0},
        {"+", 255, false, 0},
        {"", 255, false, 0},
        {"256", 255, false, 0},
        {"300", 255, false, 0},
        {"18446744073709551616", UINT64_MAX, false, 0},
        {"99999999999999999999999", UINT64_MAX, false, 0},
        {"2 0", 255, false, 0},
        {"0x14", 255, false, 0},
        {"20\t", 255, false, 0},
        {"++2", 255, false, 0},
    };
    for (const DecimalCase& c : cases) {
        uint64_t value = 12345;
        EXPECT_EQ(parse_status_decimal(c.text, c.max, value), c.ok) << '"' << c.text << '"';
        if (c.ok) {
            EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        }
    }
}

struct ReplyCase {
    const char* name;
    std::string reply;
    bool ok;
    StatusReply expected;
};

TEST(StatusReplyParser, ReadsTheWordsOfAReply) {
    const ReplyCase cases[] = {
        {"plain", "skorvia status version=20 players=3 max=8 uptime=120\n", true, {20, 3, 8, 120, false, false}},
        {"own verdict", "skorvia status version=19 players=0 max=8 uptime=5 compatible=yes", true, {19, 0, 8, 5, true, true}},
        {"missing keys read as 0", "skorvia status version=20 compatible=no", true, {20, 0, 0, 0, false, true}},
        {"empty verdict", "skorvia status version=20 compatible=", true, {20, 0, 0, 0, false, true}},
        {"underscore", "skorvia status version=2_0", true, {20, 0, 0, 0, false, false}},
        {"minus zero uptime", "skorvia status version=20 uptime=-0", true, {20, 0, 0, 0, false, false}},
        {"extra words skipped", "skorvia status hello version=20 map=large players=2 =x", true, {20, 2, 0, 0, false, false}},
        {"last repeat counts", "skorvia status version=abc version=21 players=1 players=4", true, {21, 4, 0, 0, false, false}},
        {"runs of separators", "\r\n  skorvia \r\n status\r\n\r\nversion=20  max=8\r\n", true, {20, 0, 8, 0, false, false}},
        {"after the line feed too", "skorvia status version=20\nplayers=6", true, {20, 6, 0, 0, false, false}},
        {"no version", "skorvia status players=3 max=8 uptime=1", false, {}},
        {"bad version", "skorvia status version=_20", false, {}},
        {"players too large", "skorvia status version=20 players=300", false, {}},
        {"negative uptime", "skorvia status version=20 uptime=-5", false, {}},
        {"empty uptime", "skorvia status version=20 uptime=", false, {}},
        {"empty players", "skorvia status version=20 players=", false, {}},
        {"tab is no separator", "skorvia status version=20\tplayers=3", false, {}},
        {"wrong first word", "skorvio status version=20", false, {}},
        {"wrong second word", "skorvia state version=20", false, {}},
        {"words in another order", "status skorvia version=20", false, {}},
        {"empty", "", false, {}},
    };
    for (const ReplyCase& c : cases) {
        StatusReply out;
        out.version = 99;
        ASSERT_EQ(parse_status_reply(c.reply, out), c.ok) << c.name;
        if (!c.ok) {
            EXPECT_EQ(out.version, 99) << c.name << ": a failed parse leaves the output alone";
            continue;
        }
        EXPECT_EQ(out.version, c.expected.version) << c.name;
        EXPECT_EQ(out.players, c.expected.players) << c.name;
        EXPECT_EQ(out.max_players, c.expected.max_players) << c.name;
        EXPECT_EQ(out.uptime, c.expected.uptime) << c.name;
        EXPECT_EQ(out.compatible, c.expected.compatible) << c.name;
        EXPECT_EQ(out.said_compatible, c.expected.said_compatible) << c.name;
    }
}

TEST(StatusExchange, TheServersReplyReadsBackAsSent) {
    char line[STATUS_REPLY_MAX];
    const size_t n = build_status_reply(line, sizeof line, 5, 2, 3600, true);
    // The newest protocol the server speaks.
    EXPECT_EQ(std::string(line, n), "skorvia status version=21 players=5 bots=2 max=8 uptime=3600 compatible=yes\n");
    StatusReply reply;
    ASSERT_TRUE(parse_status_reply(std::string_view(line, n), reply));
    EXPECT_EQ(reply.players, 5);
    EXPECT_EQ(reply.bots, 2);
    EXPECT_EQ(reply.max_players, 8);
    EXPECT_EQ(reply.uptime, 3600u);
    EXPECT_TRUE(reply.compatible);

    const size_t m = build_status_reply(line, sizeof line, 0, 0, UINT64_MAX, false);
    EXPECT_EQ(std::string(line, m),
              "skorvia status version=21 players=0 bots=0 max=8 uptime=18446744073709551615 compatible=no\n");
}

// The name is one word however it is spelled; a client reads it back, and a
// name that does not decode to valid text is ignored, not the whole reply.
TEST(StatusExchange, TheServersNameTravelsAsOneWord) {
    char line[STATUS_REPLY_MAX];
    const std::string longest = "Orbit & Haul 100% ünïcode ☄!";  // 32 bytes
    ASSERT_EQ(longest.size(), MAX_SERVER_NAME);
    const size_t n = build_status_reply(line, sizeof line, 3, 0, 60, true, longest);
    ASSERT_LT(n, sizeof line - 1);
    EXPECT_EQ(std::string(line, n).find("name=Orbit%20&%20Haul%20100%25%20%C3%BCn"), 74u) << line;
    StatusReply reply;
    ASSERT_TRUE(parse_status_reply(std::string_view(line, n), reply));
    EXPECT_EQ(reply.name_view(), longest);
    EXPECT_EQ(reply.players, 3);

    const size_t unnamed = build_status_reply(line, sizeof line, 3, 0, 60, true, "bell\a");
    EXPECT_EQ(std::string(line, unnamed).find("name="), std::string::npos) << "an invalid name is left out";

    // Cut escapes, controls, a lone lead byte, a right-to-left override, a C1 control.
    const char* ignored[] = {"name=%",   "name=%4", "name=%zz",        "name=%07",
                             "name=%C3", "name=",   "name=a%E2%80%AEb", "name=%C2%9B"};
    for (const char* word : ignored) {
        const std::string text = std::string("skorvia status version=20 ") + word;
        ASSERT_TRUE(parse_status_reply(text, reply)) << word;
        EXPECT_EQ(reply.name_length, 0) << word;
    }
    ASSERT_TRUE(parse_status_reply("skorvia status version=20 name=a%41b", reply));
    EXPECT_EQ(reply.name_view(), "aAb");
}

TEST(StatusExchange, RequestLines) {
    char request[16];
    const size_t n = build_status_request(request, sizeof request, PROTOCOL_VERSION);
    EXPECT_EQ(std::string(request, n), "check 20\n");

    struct Case {
        const char* line;
        bool ok;
        bool compatible;
    };
    const Case cases[] = {
        {"check 20", true, true},   {"check 20\r", true, true},  {"check +2_0", true, true},
        {"check 19", true, false},  {"check 999", true, false},  {"check abc", true, false},
        {"check 21", true, true},   {"check 22", true, false},   {"check 21\r", true, true},
        {"check", false, false},    {"check ", false, false},    {"hello 20", false, false},
        {"", false, false},         {"GET / HTTP/1.1\r", false, false},
    };
    for (const Case& c : cases) {
        bool compatible = !c.compatible;
        EXPECT_EQ(parse_status_request(c.line, compatible), c.ok) << '"' << c.line << '"';
        if (c.ok) {
            EXPECT_EQ(compatible, c.compatible) << '"' << c.line << '"';
        }
    }
    // A server that does not serve protocol 20 says so.
    bool compatible = true;
    EXPECT_TRUE(parse_status_request("check 20", compatible, false));
    EXPECT_FALSE(compatible);
    EXPECT_TRUE(parse_status_request("check 21", compatible, false));
    EXPECT_TRUE(compatible);
}

}  // namespace
