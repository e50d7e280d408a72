// Typing a chat line: the typed text, the 80-byte limit, Backspace over
// multi-byte characters, and the keys that close or send the line.
#include "client/chat_input.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "client/session.h"

namespace {

std::string text_of(const ChatInput& chat) { return std::string(chat.text, chat.length); }

ChatInput typing() {
    ChatInput chat;
    start_chat(chat);
    return chat;
}

TEST(ChatTextInput, TakesWellFormedTextAndSkipsControlBytes) {
    const struct {
        const char* name;
        std::string typed;
        std::string text;
    } cases[] = {
        {"plain", "hi there", "hi there"},
        {"two- three- and four-byte characters", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"control bytes skipped", std::string("a\tb\x7F" "c\n", 6), "abc"},
        {"a zero byte skipped", std::string("a\0b", 3), "ab"},
        {"a lead byte without its continuation", "ab\xC3", ""},
        {"a stray continuation byte", "a\x80" "b", ""},
        {"an overlong form", "\xC0\xAF", ""},
        {"a surrogate", "\xED\xA0\x80", ""},
        {"above U+10FFFF", "\xF4\x90\x80\x80", ""},
    };
    for (const auto& c : cases) {
        ChatInput chat = typing();
        chat_text_input(chat, c.typed);
        EXPECT_EQ(text_of(chat), c.text) << c.name;
    }
}

TEST(ChatTextInput, NothingArrivesWhileClosed) {
    ChatInput chat;
    chat_text_input(chat, "hello");
    EXPECT_EQ(chat.length, 0);
}

TEST(ChatTextInput, StopsAtTheFirstCharacterThatDoesNotFit) {
    const std::string fill79(79, 'x');
    const std::string fill77(77, 'x');
    const struct {
        const char* name;
        std::string before;
        std::string typed;
        std::string text;
    } cases[] = {
        {"a last byte fits", fill79, "ab", fill79 + "a"},
        {"a two-byte character at 79 bytes", fill79, "\xC3\xA9" "a", fill79},  // the later "a" is dropped too
        {"a four-byte character at 77 bytes", fill77, "\xF0\x9F\x98\x80", fill77},
        {"a three-byte character at 77 bytes fills it", fill77, "\xE2\x82\xAC" "a", fill77 + "\xE2\x82\xAC"},
    };
    for (const auto& c : cases) {
        ChatInput chat = typing();
        chat_text_input(chat, c.before);
        chat_text_input(chat, c.typed);
        EXPECT_EQ(text_of(chat), c.text) << c.name;
        EXPECT_LE(chat.length, MAX_TEXT) << c.name;
    }
}

class ChatKeys : public ::testing::Test {
protected:
    void type(std::string_view text) {
        start_chat(s->chat);
        chat_text_input(s->chat, text);
    }
    std::unique_ptr<Session> s = std::make_unique<Session>();
};

TEST_F(ChatKeys, BackspaceRemovesWholeCharacters) {
    type("a\xC3\xA9\xF0\x9F\x98\x80");  // a, e-acute (2 bytes), a face (4 bytes)
    chat_key(*s, KeyBackspace);
    EXPECT_EQ(text_of(s->chat), "a\xC3\xA9");
    chat_key(*s, KeyBackspace);
    EXPECT_EQ(text_of(s->chat), "a");
    chat_key(*s, KeyBackspace);
    EXPECT_EQ(s->chat.length, 0);
    chat_key(*s, KeyBackspace);  // nothing left: nothing happens
    EXPECT_EQ(s->chat.length, 0);
    EXPECT_TRUE(s->chat.typing);
}

TEST_F(ChatKeys, OtherKeysAreText) {
    type("go");
    for (Key key : {KeyLeft, KeyUp, KeyTab, KeyDigit1, KeyChat}) chat_key(*s, key);
    EXPECT_EQ(text_of(s->chat), "go");
    EXPECT_TRUE(s->chat.typing);
}

TEST_F(ChatKeys, EscapeDropsTheLine) {
    type("never mind");
    chat_key(*s, KeyEscape);
    EXPECT_FALSE(s->chat.typing);
    EXPECT_EQ(s->chat.length, 0);
    EXPECT_EQ(s->notifications.count, 0);
}

TEST_F(ChatKeys, EnterSendsOrExplainsWhyNot) {
    // Not joined: the player is told to try again; the input closes.
    type("hello");
    chat_key(*s, KeyPadEnter);
    EXPECT_FALSE(s->chat.typing);
    ASSERT_EQ(s->notifications.count, 1);
    EXPECT_EQ(s->notifications.items[0].view(), "Can't send that yet, try again in a moment");

    // Joined: the line is queued.
    s->active = true;
    s->client.state = ConnectionState::Joined;
    type("hello");
    chat_key(*s, KeyEnter);
    EXPECT_FALSE(s->chat.typing);
    ASSERT_EQ(s->client.pending_count, 1);
    EXPECT_EQ(std::string(s->client.pending[0].text, s->client.pending[0].length), "hello");

    // Spaces only: closed without a word.
    type("   ");
    chat_key(*s, KeyEnter);
    EXPECT_FALSE(s->chat.typing);
    EXPECT_EQ(s->client.pending_count, 1);
    EXPECT_EQ(s->notifications.count, 1);
}

}  // namespace
