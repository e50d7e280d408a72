// Chat lines going out (submit_chat, resends, the pending queue) and coming
// back (relays, their serials, the sequence that clears the pending line).
#include "client/chat.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "client/session.h"
#include "server/server_session.h"

namespace {

std::string last_line(const Session& s) {
    return s.notifications.count ? std::string(s.notifications.items[s.notifications.count - 1].view()) : "";
}

void type(Session& s, std::string_view text) {
    s.chat.typing = true;
    s.chat.length = static_cast<uint8_t>(text.size());
    std::memcpy(s.chat.text, text.data(), text.size());
}

class ChatRelays : public ::testing::Test {
protected:
    void SetUp() override {
        uint8_t welcome[5] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_WELCOME, 2};
        handle_datagram(c, welcome, sizeof welcome);
    }
    void relay(uint32_t serial, uint8_t sender, uint32_t sequence, std::string_view text) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        encode_chat_relay(w, serial, sender, sequence, text);
        handle_datagram(c, buffer, w.length);
    }
    ClientSession c;
    ServerLink link;  // closed: sends go nowhere
};

TEST_F(ChatRelays, OwnRelayWithAStaleSequenceKeepsThePendingLineButIsShownOnce) {
    queue_chat_line(c, link, "hello");
    ASSERT_EQ(c.pending_count, 1);
    relay(7, 2, 0, "hello");  // an answer to an older line
    EXPECT_EQ(c.pending_count, 1);
    EXPECT_EQ(c.chat_sequence, 1u);
    ASSERT_EQ(c.received_count, 1);
    EXPECT_EQ(std::string(c.received[0].text, c.received[0].length), "hello");
    EXPECT_EQ(c.received[0].sender, 2);

    relay(7, 2, 1, "hello");  // the same serial with the right sequence: cleared, not shown again
    EXPECT_EQ(c.pending_count, 0);
    EXPECT_EQ(c.chat_sequence, 2u);
    EXPECT_EQ(c.last_chat_send_tick, 0u);
    EXPECT_EQ(c.received_count, 1);
}

// The relay that clears a pending line lets the next one go out on the very
// next tick instead of waiting out the 30-tick resend interval.
TEST_F(ChatRelays, NextPendingLineGoesOutOnTheTickAfterTheRelay) {
    for (int i = 0; i < 40; ++i) advance_client(c, link, {});
    queue_chat_line(c, link, "one");
    queue_chat_line(c, link, "two");
    EXPECT_EQ(c.last_chat_send_tick, 40u) << "the first line goes out at once";
    for (int i = 0; i < 5; ++i) advance_client(c, link, {});
    relay(1, 2, 1, "one");
    ASSERT_EQ(c.pending_count, 1);
    advance_client(c, link, {});
    EXPECT_EQ(c.last_chat_send_tick, 46u) << "sent 6 ticks after the first, not 30";
}

TEST_F(ChatRelays, UnansweredLineIsSentAgainEveryThirtyTicks) {
    for (int i = 0; i < 40; ++i) advance_client(c, link, {});
    queue_chat_line(c, link, "anyone?");
    for (int i = 0; i < 29; ++i) advance_client(c, link, {});
    EXPECT_EQ(c.last_chat_send_tick, 40u);
    advance_client(c, link, {});
    EXPECT_EQ(c.last_chat_send_tick, 70u);
}

TEST(ChatRelay, CountsOnlyWhileJoined) {
    ClientSession c;
    uint8_t buffer[MAX_DATAGRAM];
    WireWriter w(buffer);
    encode_chat_relay(w, 1, 4, 1, "early");
    handle_datagram(c, buffer, w.length);
    EXPECT_EQ(c.received_count, 0);
    EXPECT_EQ(c.seen_count, 0);
}

TEST_F(ChatRelays, TwoRelaysWithOneSerialShowOneLine) {
    relay(3, 5, 1, "hi");
    relay(3, 5, 1, "hi");
    EXPECT_EQ(c.received_count, 1);
    relay(4, 255, 9, "from nobody");
    EXPECT_EQ(c.received_count, 2);
    EXPECT_EQ(c.received[1].sender, 255);
}

TEST_F(ChatRelays, OnlySixteenSerialsAreRemembered) {
    for (uint32_t serial = 1; serial <= 17; ++serial) relay(serial, 1, serial, "x");
    c.received_count = 0;
    relay(2, 1, 2, "x");  // still remembered
    EXPECT_EQ(c.received_count, 0);
    relay(1, 1, 1, "x");  // forgotten by now
    EXPECT_EQ(c.received_count, 1);
}

// Against the in-process server: the line goes out at once, comes back twice
// and is shown once, with the chat hold.
TEST(Chat, LineIsSentRelayedAndShownOnce) {
    Session s;
    ASSERT_TRUE(start_tutorial(s));
    Vec2 camera{};
    testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        float one = 1.25f * TICK;
        session_frame(s, {}, one, camera);
    }
    ASSERT_EQ(s.client.state, ConnectionState::Joined);

    type(s, "hello there");
    submit_chat(s);
    EXPECT_FALSE(s.chat.typing);
    EXPECT_EQ(s.chat.length, 0);
    EXPECT_EQ(s.client.pending_count, 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("info: player 1: hello there\n") != std::string::npos, true);

    float one = 1.25f * TICK;
    session_frame(s, {}, one, camera);
    EXPECT_EQ(s.client.pending_count, 0);
    EXPECT_EQ(s.client.chat_sequence, 2u);
    EXPECT_EQ(last_line(s), "Player 1: hello there");
    EXPECT_EQ(s.notifications.items[s.notifications.count - 1].hold, CHAT_HOLD);
    const int lines = s.notifications.count;
    one = 1.25f * TICK;
    session_frame(s, {}, one, camera);
    EXPECT_EQ(s.notifications.count, lines);
    leave_session(s);
}

TEST(Chat, SubmitRefusesWhileItCannotSendAndDropsInvalidText) {
    Session s;
    type(s, "hello");
    submit_chat(s);  // no session
    EXPECT_EQ(last_line(s), CHAT_REFUSAL);
    EXPECT_EQ(s.notifications.items[0].colour.r, REFUSAL_COLOUR.r);
    EXPECT_FALSE(s.chat.typing);

    ASSERT_TRUE(start_tutorial(s));
    type(s, "hello");
    submit_chat(s);  // connecting
    EXPECT_EQ(s.notifications.count, 2);
    EXPECT_EQ(s.client.pending_count, 0);

    s.client.state = ConnectionState::Joined;
    for (int i = 0; i < 4; ++i) {
        type(s, "line");
        submit_chat(s);
    }
    EXPECT_EQ(s.client.pending_count, 4);
    EXPECT_EQ(s.notifications.count, 2);
    type(s, "fifth");
    submit_chat(s);
    EXPECT_EQ(s.client.pending_count, 4);
    EXPECT_EQ(s.notifications.count, 3);
    EXPECT_EQ(last_line(s), CHAT_REFUSAL);

    type(s, "   ");  // invalid text: dropped without a word, even when refused
    submit_chat(s);
    type(s, "");
    submit_chat(s);
    EXPECT_EQ(s.notifications.count, 3);
    EXPECT_FALSE(s.chat.typing);
    leave_session(s);
}

}  // namespace
