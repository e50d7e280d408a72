#include "client/server_list.h"

#include <gtest/gtest.h>

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
        const ServerEntry& entry = list.entries[0];
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
    EXPECT_EQ(list.entries[0].name(), "1.1.1.1");
    EXPECT_EQ(list.entries[1].name(), "game.example:");
    EXPECT_FALSE(list.entries[1].has_endpoint);
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
    EXPECT_TRUE(list.entries[0].has_endpoint);
    EXPECT_EQ(list.entries[0].endpoint.port, 7777);
    EXPECT_EQ(list.entries[0].endpoint.address >> 24, 127u);
    EXPECT_FALSE(list.entries[1].has_endpoint);
    EXPECT_EQ(log.rfind("warning: can't find server 'nowhere.invalid': ", 0), 0u) << log;
}

}  // namespace
