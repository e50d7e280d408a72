#include "client/server_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::string> resolved_names;

// Knows a few names; everything else is unknown.
const char* fake_resolver(const char* host, uint32_t& address) {
    resolved_names.push_back(host);
    std::string name = host;
    if (name == "flaky.example") return "TemporaryNameServerFailure";
    if (name == "game.example" || name.rfind("long", 0) == 0) {
        address = 0x0A000007;  // 10.0.0.7
        return nullptr;
    }
    return "UnknownHostName";
}

struct Case {
    std::string text;
    const char* error;  // nullptr: resolved
    uint32_t address;  // host byte order
    uint16_t port;
    const char* resolved;  // the name the resolver was asked, or nullptr for none
};

std::string name_of_length(size_t n) { return "long" + std::string(n - 4, 'a'); }

TEST(AddServer, TableOfTexts) {
    const std::string name_253 = name_of_length(253);
    const std::string name_254 = name_of_length(254);
    const Case cases[] = {
        {"game.example", nullptr, 0x0A000007, 7777, "game.example"},
        {"game.example:9000", nullptr, 0x0A000007, 9000, "game.example"},
        {"game.example:0", nullptr, 0x0A000007, 0, "game.example"},
        {"game.example:65535", nullptr, 0x0A000007, 65535, "game.example"},
        {"1.2.3.4:80", nullptr, 0x01020304, 80, nullptr},
        {"255.0.10.0", nullptr, 0xFF000A00, 7777, nullptr},
        {"game.example:", "InvalidCharacter", 0, 0, nullptr},
        {"game.example:12a", "InvalidCharacter", 0, 0, nullptr},
        {"game.example:-1", "InvalidCharacter", 0, 0, nullptr},
        {"game.example:+1", "InvalidCharacter", 0, 0, nullptr},
        {"game.example:65536", "Overflow", 0, 0, nullptr},
        {"game.example:99999999999999999999", "Overflow", 0, 0, nullptr},
        // Split at the last ':' only.
        {"game.example:1:2", "UnknownHostName", 0, 0, "game.example:1"},
        {"1.2.3.4:5:6", "UnknownHostName", 0, 0, "1.2.3.4:5"},
        // Not dotted-quad literals: handed to the resolver as names.
        {"256.1.1.1", "UnknownHostName", 0, 0, "256.1.1.1"},
        {"01.2.3.4", "UnknownHostName", 0, 0, "01.2.3.4"},
        {"1.2.3", "UnknownHostName", 0, 0, "1.2.3"},
        {"1.2.3.4.5", "UnknownHostName", 0, 0, "1.2.3.4.5"},
        {"flaky.example:7777", "TemporaryNameServerFailure", 0, 0, "flaky.example"},
        {":7777", "UnknownHostName", 0, 0, nullptr},
        // Names up to the DNS limit of 253 bytes are looked up; longer ones are not.
        {name_of_length(30), nullptr, 0x0A000007, 7777, "longaaaaaaaaaaaaaaaaaaaaaaaaaa"},
        {name_253 + ":1", nullptr, 0x0A000007, 1, name_253.c_str()},
        {name_254 + ":1", "NameTooLong", 0, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        resolved_names.clear();
        ServerList list;
        testing::internal::CaptureStderr();
        add_server(list, c.text, fake_resolver);
        std::string log = testing::internal::GetCapturedStderr();

        ASSERT_EQ(list.count, 1);
        const ServerEntry& entry = server_at(list, 0);
        EXPECT_EQ(entry.name(), c.text.substr(0, MAX_SERVER_TEXT));
        EXPECT_EQ(entry.status.load(), ServerStatus::NotQueried);
        if (c.resolved) {
            EXPECT_EQ(resolved_names, std::vector<std::string>{c.resolved});
        } else {
            EXPECT_TRUE(resolved_names.empty());
        }
        if (c.error) {
            EXPECT_FALSE(entry.has_endpoint);
            EXPECT_EQ(log, "warning: can't find server '" + c.text + "': " + c.error + "\n");
        } else {
            ASSERT_TRUE(entry.has_endpoint);
            EXPECT_EQ(entry.endpoint.address, c.address);
            EXPECT_EQ(entry.endpoint.port, c.port);
            EXPECT_EQ(log, "");
        }
    }
}

TEST(AddServer, ListHoldsTwoEntriesInOrderAndIgnoresMore) {
    ServerList list;
    testing::internal::CaptureStderr();
    add_server(list, "1.1.1.1", fake_resolver);
    add_server(list, "game.example:", fake_resolver);
    add_server(list, "2.2.2.2", fake_resolver);
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(list.count, 2);
    EXPECT_EQ(server_at(list, 0).name(), "1.1.1.1");
    EXPECT_EQ(server_at(list, 1).name(), "game.example:");
    EXPECT_FALSE(server_at(list, 1).has_endpoint);
    EXPECT_EQ(log, "warning: can't find server 'game.example:': InvalidCharacter\n");
}

TEST(AddServer, SystemResolverFindsLocalhostAndRefusesAnInvalidName) {
    uint32_t address = 0;
    EXPECT_EQ(resolve_host("localhost", address), nullptr);
    EXPECT_EQ(address >> 24, 127u);

    ServerList list;
    testing::internal::CaptureStderr();
    add_server(list, "localhost:7777");
    add_server(list, "nowhere.invalid");  // the .invalid domain never exists
    std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(list.count, 2);
    EXPECT_TRUE(server_at(list, 0).has_endpoint);
    EXPECT_EQ(server_at(list, 0).endpoint.port, 7777);
    EXPECT_EQ(server_at(list, 0).endpoint.address >> 24, 127u);
    EXPECT_FALSE(server_at(list, 1).has_endpoint);
    EXPECT_EQ(log.rfind("warning: can't find server 'nowhere.invalid': ", 0), 0u) << log;
}

std::vector<std::string> names_of(const ServerList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.count; ++i) names.emplace_back(server_at(list, i).name());
    return names;
}

ListedServer listed(uint8_t last, uint16_t port, const char* name = "") {
    ListedServer s;
    s.endpoint = make_endpoint(192, 0, 2, last, port);
    s.name_length = static_cast<uint8_t>(std::strlen(name));
    std::memcpy(s.name, name, s.name_length);
    return s;
}

TEST(PlayerServers, AddedAfterTheFixedOnesAndRemovedAgain) {
    ServerList list;
    add_server(list, "1.1.1.1", fake_resolver);
    const ListedServer internet[] = {listed(9, 7777)};
    set_internet_servers(list, internet, 1);

    EXPECT_EQ(add_player_server(list, "game.example:7000", fake_resolver).position, 1);
    const AddResult second = add_player_server(list, "10.1.1.1", fake_resolver);
    EXPECT_EQ(second.outcome, AddOutcome::Added);
    EXPECT_EQ(second.position, 2);
    add_server(list, "2.2.2.2", fake_resolver);  // a fixed one still goes above the added ones
    EXPECT_EQ(names_of(list), (std::vector<std::string>{"1.1.1.1", "2.2.2.2", "game.example:7000", "10.1.1.1",
                                                        "192.0.2.9:7777"}));
    EXPECT_EQ(server_at(list, 2).endpoint, make_endpoint(10, 0, 0, 7, 7000));

    const AddResult failed = add_player_server(list, "nowhere.example", fake_resolver);
    EXPECT_EQ(failed.outcome, AddOutcome::Failed);
    EXPECT_STREQ(failed.error, "UnknownHostName");
    EXPECT_STREQ(add_player_server(list, "10.1.1.1:", fake_resolver).error, "InvalidCharacter");
    EXPECT_EQ(add_player_server(list, "10.1.1.1", fake_resolver).outcome, AddOutcome::Duplicate);
    EXPECT_EQ(add_player_server(list, "1.1.1.1", fake_resolver).outcome, AddOutcome::Duplicate);

    // Typing the address of a registry's server makes it the player's.
    EXPECT_EQ(add_player_server(list, "192.0.2.9:7777", fake_resolver).position, 4);
    EXPECT_EQ(server_list_shape(list).internet, 0);

    EXPECT_FALSE(remove_player_server(list, 0)) << "fixed servers stay";
    EXPECT_TRUE(remove_player_server(list, 2));
    EXPECT_EQ(names_of(list), (std::vector<std::string>{"1.1.1.1", "2.2.2.2", "10.1.1.1", "192.0.2.9:7777"}));
    char text[256];
    const size_t n = added_server_texts(list, text, sizeof text);
    EXPECT_EQ(std::string(text, n), "10.1.1.1\n192.0.2.9:7777\n");
}

// Up to 16 servers can be added.
TEST(PlayerServers, TheListIsFullAtItsCapacity) {
    ServerList list;
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(add_player_server(list, "10.0.0." + std::to_string(i + 1), fake_resolver).outcome, AddOutcome::Added);
    }
    EXPECT_EQ(add_player_server(list, "10.0.1.1", fake_resolver).outcome, AddOutcome::Full);
}

// A removed entry whose status query still runs keeps its slot: nothing new
// is written where the worker writes.
TEST(PlayerServers, ASlotBeingQueriedIsNotReused) {
    ServerList list;
    add_player_server(list, "10.0.0.1", fake_resolver);
    ServerEntry* queried = &server_at(list, 0);
    queried->status.store(ServerStatus::Checking);
    ASSERT_TRUE(remove_player_server(list, 0));
    add_player_server(list, "10.0.0.2", fake_resolver);
    EXPECT_NE(&server_at(list, 0), queried);
    EXPECT_EQ(queried->name(), "10.0.0.1");
}

TEST(InternetServers, MergedKeepingWhatIsStillListed) {
    ServerList list;
    add_server(list, "192.0.2.1:7777", fake_resolver);
    const ListedServer first[] = {listed(1, 7777), listed(2, 7777, "Alpha"), listed(3, 7000)};
    set_internet_servers(list, first, 3);
    EXPECT_EQ(names_of(list), (std::vector<std::string>{"192.0.2.1:7777", "192.0.2.2:7777", "192.0.2.3:7000"}))
        << "a fixed server is not listed twice";
    EXPECT_EQ(server_at(list, 1).listed_name_view(), "Alpha");
    server_at(list, 1).status.store(ServerStatus::Answered);

    const ListedServer second[] = {listed(4, 7777), listed(2, 7777, "Alpha 2")};
    set_internet_servers(list, second, 2);
    EXPECT_EQ(names_of(list), (std::vector<std::string>{"192.0.2.1:7777", "192.0.2.2:7777", "192.0.2.4:7777"}));
    EXPECT_EQ(server_at(list, 1).status.load(), ServerStatus::Answered) << "a server still listed keeps its answer";
    EXPECT_EQ(server_at(list, 1).listed_name_view(), "Alpha 2");

    std::vector<ListedServer> many;
    for (int i = 0; i < 100; ++i) many.push_back(listed(static_cast<uint8_t>(i + 10), 7777));
    set_internet_servers(list, many.data(), static_cast<int>(many.size()));
    EXPECT_EQ(server_list_shape(list).internet, 32) << "the first 32";
    EXPECT_EQ(server_at(list, 32).endpoint, many[31].endpoint);
    set_internet_servers(list, nullptr, 0);
    EXPECT_EQ(list.count, 1);
}

}  // namespace
