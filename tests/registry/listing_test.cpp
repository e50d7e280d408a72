// The registry's messages, and its table's rules with the clock in the
// test's hand (the checks' answers are handed in as a checker would).
#include "registry/listing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "registry/registry.h"
#include "registry/registry_client.h"

namespace {

TEST(Announcement, ReadOrRefused) {
    struct Case {
        const char* body;
        const char* error;  // nullptr: read
    };
    const Case cases[] = {
        {R"({"port": 7777, "name": "Friday night"})", nullptr},
        {R"({"port": 7777, "host": "10.9.9.9"})", nullptr},  // a claimed address changes nothing
        {R"({"port": 0})", "no port 1..65535"},
        {R"({"port": 65536})", "no port 1..65535"},
        {R"({"port": -1})", "no port 1..65535"},
        {R"({"port": "7777"})", "no port 1..65535"},
        {R"({"port": 7777.5})", "no port 1..65535"},
        {R"({"port": 7777, "name": "a name of more than thirty-two bytes"})", "the name is not text of at most 32 bytes"},
        {"{\"port\": 7777, \"name\": \"bell\\u0007\"}", "the name is not text of at most 32 bytes"},
        {"{\"port\": 7777, \"name\": \"abc\\u202ecba\"}", "the name is not text of at most 32 bytes"},
        {"{\"port\": 7777, \"name\": \"csi\\u009b\"}", "the name is not text of at most 32 bytes"},
        {"{\"port\": 7777, \"name\": \"two\\u2029lines\"}", "the name is not text of at most 32 bytes"},
        {R"({"port": 7777, "name": 5})", "the name is not text of at most 32 bytes"},
        {R"([7777])", "not a JSON object"},
        {R"({"port": 7777)", "not a JSON object"},
        {"", "not a JSON object"},
    };
    for (const Case& c : cases) {
        Announcement a;
        const char* error = parse_announcement(c.body, a);
        if (c.error) {
            EXPECT_STREQ(error, c.error) << c.body;
        } else {
            EXPECT_EQ(error, nullptr) << c.body;
            EXPECT_EQ(a.port, 7777) << c.body;
        }
    }
    Announcement a;
    ASSERT_EQ(parse_announcement(format_announcement(7001, "Ünïcode"), a), nullptr);
    EXPECT_EQ(std::string(a.name, a.name_length), "Ünïcode");
}

TEST(ServerList, WellFormedEntriesAreRead) {
    const std::string body = R"({"servers": [
        {"address": "203.0.113.7:7777", "name": "Alpha", "players": 3, "bots": 2, "max": 8, "extra": [[{}]]},
        {"address": "203.0.113.8:0"},
        {"address": "203.0.113.009:7777"},
        {"address": "203.0.113.9:7000", "name": "\u001b[2J"},
        {"address": "203.0.113.9:7001", "name": "abc\u202ecba"},
        {"address": "203.0.113.9:7002", "name": "csi\u009b"},
        {"address": "203.0.113.9:7003", "name": "two\u2028lines"},
        "junk", [{"address": "203.0.113.9:7004"}],
        {"address": "203.0.113.10:7001", "players": 300, "max": 8},
        {"address": "203.0.113.10:7002", "players": 255, "max": 255},
        {"address": "203.0.113.10:7003", "players": 6, "bots": 3, "max": 8},
        {"address": "203.0.113.10:7004", "players": 1, "max": 0},
        {"address": "203.0.113.10:7005", "players": -1, "max": 8},
        {"address": "203.0.113.10:7006", "players": 1.5, "max": 8},
        {"address": "203.0.113.10:7007", "name": {"deep": "x"}},
        {"name": "no address"},
        {"address": "203.0.113.11:7001"}
    ], "more": {"servers": "ignored"}})";
    RegistryEntry entries[8];
    ASSERT_EQ(parse_server_list(body, entries, 8), 2);
    EXPECT_EQ(entries[0].endpoint, make_endpoint(203, 0, 113, 7, 7777));
    EXPECT_EQ(entries[0].name_view(), "Alpha");
    EXPECT_EQ(entries[0].players, 3);
    EXPECT_EQ(entries[0].bots, 2);
    EXPECT_EQ(entries[0].max_players, 8);
    EXPECT_EQ(entries[1].endpoint, make_endpoint(203, 0, 113, 11, 7001)) << "missing counts are 0";
    EXPECT_EQ(parse_server_list(body, entries, 1), 1) << "never more than the room";
    EXPECT_EQ(parse_server_list(R"({"servers": {}})", entries, 8), -1);
    EXPECT_EQ(parse_server_list(R"({"servers": [{"address": "203.0.113.7:7777"})", entries, 8), -1) << "cut short";
    EXPECT_EQ(parse_server_list(R"({"list": []})", entries, 8), -1);
    EXPECT_EQ(parse_server_list("<html>", entries, 8), -1);
}

// Deep nesting ends the reading at once, however long the answer: nothing
// is built of it.
TEST(ServerList, DeepNestingIsRefused) {
    const std::string six = R"({"servers": [{"address": "203.0.113.7:7777", "x": [[[]]]}]})";
    RegistryEntry entries[4];
    EXPECT_EQ(parse_server_list(six, entries, 4), 1) << "6 levels are read";
    const std::string seven = R"({"servers": [{"address": "203.0.113.7:7777", "x": [[[[]]]]}]})";
    EXPECT_EQ(parse_server_list(seven, entries, 4), -1);
    const std::string bomb = R"({"servers": )" + std::string(3u << 20, '[');
    EXPECT_EQ(parse_server_list(bomb, entries, 4), -1);
}

TEST(ServerList, OnlyAddressesTheGameMayAsk) {
    const struct {
        Endpoint endpoint;
        bool from_loopback_registry;
        bool may;
    } cases[] = {
        {make_endpoint(203, 0, 113, 7, 7777), false, true},
        {make_endpoint(192, 168, 1, 20, 7777), false, true},
        {make_endpoint(223, 255, 255, 255, 7777), false, true},
        {make_endpoint(0, 0, 0, 0, 7777), true, false},
        {make_endpoint(0, 1, 2, 3, 7777), true, false},
        {make_endpoint(255, 255, 255, 255, 7777), true, false},
        {make_endpoint(224, 0, 0, 1, 7777), true, false},
        {make_endpoint(239, 255, 255, 250, 7777), true, false},
        {make_endpoint(240, 0, 0, 1, 7777), true, false},
        {make_endpoint(203, 0, 113, 7, 0), true, false},
        {make_endpoint(127, 0, 0, 1, 22), false, false},
        {make_endpoint(127, 1, 2, 3, 7777), false, false},
        {make_endpoint(127, 0, 0, 1, 7777), true, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(may_query_listed(c.endpoint, c.from_loopback_registry), c.may)
            << endpoint_text(c.endpoint) << (c.from_loopback_registry ? " from loopback" : "");
    }
}

TEST(RegistryUrl, Parsed) {
    RegistryUrl url;
    ASSERT_EQ(parse_registry_url("https://registry.example.org:8443/skorvia/", url), nullptr);
    EXPECT_EQ(url.origin, "https://registry.example.org:8443");
    EXPECT_EQ(url.path, "/skorvia");
    EXPECT_TRUE(url.https);
    ASSERT_EQ(parse_registry_url("http://127.0.0.1:7780", url), nullptr);
    EXPECT_EQ(url.path, "");
    EXPECT_STREQ(parse_registry_url("ftp://x", url), "not an http:// or https:// address");
    EXPECT_STREQ(parse_registry_url("http://", url), "no host");
    EXPECT_STREQ(parse_registry_url("http://a b", url), "not a plain address");
    EXPECT_STREQ(parse_registry_url("http://user@host", url), "no user names in the address, please");
    for (const char* local : {"http://127.0.0.1:7780", "http://localhost/x", "https://127.8.9.10", "http://localhost:1"}) {
        ASSERT_EQ(parse_registry_url(local, url), nullptr) << local;
        EXPECT_TRUE(url.loopback) << local;
    }
    for (const char* remote : {"https://registry.example.org:8443/skorvia/", "http://128.0.0.1", "http://localhost.example"}) {
        ASSERT_EQ(parse_registry_url(remote, url), nullptr) << remote;
        EXPECT_FALSE(url.loopback) << remote;
    }
}

StatusReply answer(uint8_t players, const char* name = "") {
    StatusReply reply;
    reply.version = 20;
    reply.players = players;
    reply.max_players = 8;
    reply.name_length = static_cast<uint8_t>(std::strlen(name));
    std::memcpy(reply.name, name, reply.name_length);
    return reply;
}

std::string list(Registry& r, int64_t now) { return *server_list_body(r, now); }

constexpr uint32_t SOURCE = 0xC0000207;  // 192.0.2.7

// The numbers are the documented ones, written out: a failed server is
// asked again at most once a minute, a listed one every 10 minutes, and a
// silent one is forgotten 45 s after its last announcement by a sweep that
// runs at most once a second, so it is gone by 46 s.
TEST(RegistryTable, ListedOnlyAfterItsOwnAnswerAndForgottenWhenSilent) {
    Registry r;
    init_registry(r);
    EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777, "name": "Told"})", 0).status, 202);
    EXPECT_EQ(list(r, 0), R"({"servers":[]})") << "not before the check";
    finish_check(r, {SOURCE, 7777}, nullptr, 10);
    EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", 20).status, 403);
    EXPECT_EQ(list(r, 20), R"({"servers":[]})") << "nothing answered";
    // Announcing every 15 s, it is asked again only a minute after the
    // failed check; then an answer lists it, by its own name.
    for (int64_t t = 15000; t < 60000; t += 15000) EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", t).status, 403);
    EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", 10 + 59999).status, 403);
    EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", 10 + 60000).status, 202);
    const StatusReply own = answer(3, "Own");
    const int64_t checked = 20 + 60000;
    finish_check(r, {SOURCE, 7777}, &own, checked);
    EXPECT_EQ(list(r, checked + 10),
              R"({"servers":[{"address":"192.0.2.7:7777","max":8,"name":"Own","players":3}]})");

    // Asked again after 10 minutes, not on every announcement before.
    const int queued = r.check_count;
    for (int64_t t = checked + 40000; t < checked + 600000; t += 40000) {
        EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", t).status, 200);
    }
    EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", checked + 599999).status, 200);
    EXPECT_EQ(r.check_count, queued) << "a listed server is not checked again on every announcement";
    const int64_t last = checked + 600000;
    EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", last).status, 200) << "listed while it is asked";
    EXPECT_EQ(r.check_count, queued + 1);

    EXPECT_NE(list(r, last + 45000), R"({"servers":[]})") << "still listed 45 s after";
    EXPECT_EQ(list(r, last + 46000), R"({"servers":[]})") << "gone by 46 s";
}

TEST(RegistryTable, CountsMustAddUp) {
    struct Case {
        uint8_t players, bots, max;
        bool listed;
    };
    const Case cases[] = {
        {0, 0, 8, true}, {8, 0, 8, true}, {4, 4, 8, true}, {0, 0, 1, true},
        {9, 0, 8, false}, {255, 0, 255, false}, {5, 4, 8, false}, {0, 9, 8, false},
        {0, 0, 9, false}, {0, 0, 0, false},
    };
    for (const Case& c : cases) {
        Registry r;
        init_registry(r);
        ASSERT_EQ(announce(r, SOURCE, R"({"port": 7777})", 0).status, 202);
        StatusReply reply = answer(c.players);
        reply.bots = c.bots;
        reply.max_players = c.max;
        finish_check(r, {SOURCE, 7777}, &reply, 10);
        EXPECT_EQ(list(r, 20) != R"({"servers":[]})", c.listed) << +c.players << '+' << +c.bots << '/' << +c.max;
        EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", 30).status, c.listed ? 200 : 403);
    }
}

// Each address's longest-listed server first, then each one's second, and
// so on; what a server says of itself never moves it up.
TEST(RegistryTable, TheListComesInRoundsPerAddress) {
    Registry r;
    init_registry(r);
    const uint32_t other = SOURCE + 1, third = SOURCE + 2;
    const struct {
        uint32_t source;
        uint16_t port;
        uint8_t players;
    } listed[] = {{SOURCE, 1, 0}, {SOURCE, 2, 0}, {SOURCE, 3, 8}, {other, 1, 8}, {third, 1, 1}, {other, 2, 8}};
    int64_t now = 0;
    for (const auto& l : listed) {
        ASSERT_EQ(announce(r, l.source, "{\"port\": " + std::to_string(l.port) + "}", ++now).status, 202);
        const StatusReply reply = answer(l.players);
        finish_check(r, {l.source, l.port}, &reply, ++now);
    }
    RegistryEntry entries[8];
    ASSERT_EQ(parse_server_list(list(r, ++now), entries, 8), 6);
    const Endpoint order[] = {{SOURCE, 1}, {other, 1}, {third, 1}, {SOURCE, 2}, {other, 2}, {SOURCE, 3}};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(entries[i].endpoint, order[i]) << i << ": " << endpoint_text(entries[i].endpoint);
    // Checked again later with other counts, a server keeps its place.
    const StatusReply full = answer(8);
    finish_check(r, {SOURCE, 2}, &full, ++now);
    ASSERT_EQ(parse_server_list(list(r, ++now), entries, 8), 6);
    EXPECT_EQ(entries[3].endpoint, order[3]);
}

// 40 announcements at once, then one every half second; at most 16 servers
// per address; a body of up to 512 bytes is read.
TEST(RegistryTable, EachSourceIsLimited) {
    Registry r;
    init_registry(r);
    int refused = 0;
    for (int i = 0; i < 45; ++i) {
        refused += announce(r, SOURCE, R"({"port": 7777})", 0).status == 429;
        refused += announce(r, SOURCE + 1, R"({"port": 7777})", 0).status == 429;
    }
    EXPECT_EQ(refused, 2 * 5) << "a burst of 40, then refusals";
    EXPECT_EQ(announce(r, SOURCE, R"({"port": 7777})", 499).status, 429);
    EXPECT_EQ(announce(r, SOURCE + 1, R"({"port": 7777})", 500).status, 202) << "and a trickle";

    Registry many;
    init_registry(many);
    for (uint16_t port = 1; port <= 16; ++port) {
        ASSERT_EQ(announce(many, SOURCE, "{\"port\": " + std::to_string(port) + "}", 0).status, 202);
    }
    EXPECT_EQ(announce(many, SOURCE, R"({"port": 9999})", 0).status, 429);
    EXPECT_EQ(announce(many, SOURCE + 1, R"({"port": 9999})", 0).status, 202) << "another address is not held up";

    std::string body = R"({"port": 7000})";
    body.resize(512, ' ');
    EXPECT_EQ(announce(many, SOURCE + 1, body, 0).status, 202);
    body += ' ';
    EXPECT_EQ(announce(many, SOURCE + 1, body, 0).status, 413);
}

// Every table has its documented size: 256 waiting checks, 16384 servers,
// 65536 announcing addresses. An address's record makes room only once
// nothing of it is listed and its allowance is whole again (40 x 0.5 s).
TEST(RegistryTable, EveryTableHasItsSize) {
    Registry r;
    init_registry(r);
    auto port_text = [](int port) { return "{\"port\": " + std::to_string(port) + "}"; };
    auto source = [](int i) { return 0x0A000000u + static_cast<uint32_t>(i); };  // 10.0.0.0/8
    for (int i = 0; i < 256; ++i) ASSERT_EQ(announce(r, source(i / 16), port_text(1 + i % 16), 0).status, 202) << i;
    EXPECT_EQ(announce(r, source(16), port_text(1), 0).text, "busy checking other servers, try again later");

    // The checkers take the queue as fast as it fills from here on.
    for (int i = 256; i < 16384; ++i) {
        r.check_count = 0;
        ASSERT_EQ(announce(r, source(i / 16), port_text(1 + i % 16), 0).status, 202) << i;
    }
    EXPECT_EQ(announce(r, source(1024), port_text(1), 0).text, "the registry is full");
    for (int i = 1025; i < 65536; ++i) ASSERT_EQ(announce(r, source(i), port_text(1), 0).text, "the registry is full") << i;
    EXPECT_EQ(announce(r, source(65536), port_text(1), 0).text, "too many announcing addresses, try again later");
    EXPECT_EQ(announce(r, source(65536), port_text(1), 19999).text, "too many announcing addresses, try again later");
    EXPECT_EQ(announce(r, source(65536), port_text(1), 20000).text, "the registry is full") << "idle addresses made room";
    EXPECT_EQ(announce(r, source(0), port_text(17), 20000).text, "too many servers at this address")
        << "an address with servers listed kept its record";
}

}  // namespace
