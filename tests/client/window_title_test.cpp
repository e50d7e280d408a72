// The window's title for each state of the game, and the 128-byte rule.
#include "client/window_title.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "client/session.h"

namespace {

std::string title_of(const Session& s) {
    char out[TITLE_CAPACITY];
    window_title(s, out);
    return out;
}

void online(Session& s, const std::string& name, ConnectionState state) {
    s.active = true;
    s.tutorial = false;
    s.server_text_length = static_cast<uint16_t>(name.size());
    std::memcpy(s.server_text, name.data(), name.size());
    s.client.state = state;
}

TEST(WindowTitle, FollowsTheSession) {
    auto s = std::make_unique<Session>();
    EXPECT_EQ(title_of(*s), "skorvia");
    s->active = true;
    s->tutorial = true;
    EXPECT_EQ(title_of(*s), "skorvia - tutorial");

    online(*s, "game.example.org:7777", ConnectionState::Connecting);
    EXPECT_EQ(title_of(*s), "skorvia - connecting to game.example.org:7777");
    s->client.own_slot = 2;
    s->client.state = ConnectionState::Joined;
    EXPECT_EQ(title_of(*s), "skorvia - player 3 on game.example.org:7777");
    s->client.state = ConnectionState::Full;
    EXPECT_EQ(title_of(*s), "skorvia - game.example.org:7777 is full");
}

TEST(WindowTitle, ATitleThatDoesNotFitIn128BytesIsPlain) {
    auto s = std::make_unique<Session>();
    // "skorvia - connecting to " is 24 bytes: a 103-byte name makes 127,
    // which fits with its zero byte; 104 does not.
    online(*s, std::string(103, 'h'), ConnectionState::Connecting);
    EXPECT_EQ(title_of(*s), "skorvia - connecting to " + std::string(103, 'h'));
    online(*s, std::string(104, 'h'), ConnectionState::Connecting);
    EXPECT_EQ(title_of(*s), "skorvia");
    // "skorvia - player 8 on " is 22 bytes.
    s->client.own_slot = 7;
    online(*s, std::string(105, 'h'), ConnectionState::Joined);
    EXPECT_EQ(title_of(*s).size(), 127u);
    online(*s, std::string(106, 'h'), ConnectionState::Joined);
    EXPECT_EQ(title_of(*s), "skorvia");
}

}  // namespace
