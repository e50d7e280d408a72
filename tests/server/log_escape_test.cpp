#include "server/log_escape.h"

#include <gtest/gtest.h>

#include <string>

#include "net/messages.h"
#include "server/server_session.h"
#include "world/generate.h"

namespace {

std::string escaped(std::string_view text) {
    LogText line;
    append_player_text(line, text);
    return std::string(line.view());
}

TEST(LogEscape, ControlsAndDirectionChangesAreWrittenOut) {
    const struct {
        std::string_view text;
        std::string_view logged;
    } cases[] = {
        {"hello é 中 🚀", "hello é 中 🚀"},
        {"\x1b[2J\x07", "\\x1b[2J\\x07"},                      // ESC, BEL
        {std::string_view("a\0b\tc\x7f", 6), "a\\x00b\\x09c\\x7f"},
        {"\xc2\x9b" "31m", "\\u009b31m"},                     // C1 CSI
        {"\xc2\x80\xc2\x9f\xc2\xa0", "\\u0080\\u009f\xc2\xa0"},  // C1 ends; U+00A0 is not a control
        {"abc\xe2\x80\xae" "cba", "abc\\u202ecba"},           // right-to-left override
        {"\xe2\x80\xaa\xe2\x81\xa6\xe2\x81\xa9\xe2\x80\x8f\xd8\x9c", "\\u202a\\u2066\\u2069\\u200f\\u061c"},
        {"\xe2\x80\xa8\xe2\x80\xa9", "\\u2028\\u2029"},        // line and paragraph separators
        {"\xe2\x80\xa9\xe2\x80\xaf", "\\u2029\xe2\x80\xaf"},   // U+202F is a plain space
        {"back\\slash \\x1b", "back\\\\slash \\\\x1b"},
        {"\xff\xc3(\xe2\x80", "\\xff\\xc3(\\xe2\\x80"},        // not UTF-8
    };
    for (const auto& c : cases) EXPECT_EQ(escaped(c.text), c.logged) << c.logged;
}

std::string logged;
void keep(LogLevel, std::string_view line) { logged = line; }

// The operator's log gets the escaped line; the players get the bytes as sent.
TEST(LogEscape, TheChatLogLineIsEscapedTheRelayIsNot) {
    World w;
    generate_world(w);
    ServerSession* s = create_session(w);
    ASSERT_NE(s, nullptr);
    s->log_sink = keep;
    uint8_t buffer[MAX_DATAGRAM];
    WireWriter out(buffer);
    encode_join_request(out);
    receive(*s, buffer, out.length, IN_PROCESS_CLIENT);
    out = WireWriter(buffer);
    const uint8_t idle = 0;
    encode_input_batch(out, 1, {&idle, 1});
    receive(*s, buffer, out.length, IN_PROCESS_CLIENT);
    while (pop_outgoing(*s)) {
    }
    const std::string_view text = "gg \xe2\x80\xae" "ez \xc2\x85";
    out = WireWriter(buffer);
    encode_chat_send(out, 1, text);
    receive(*s, buffer, out.length, IN_PROCESS_CLIENT);
    EXPECT_EQ(logged, "player 1: gg \\u202eez \\u0085");
    const OutgoingDatagram* relay = pop_outgoing(*s);
    ASSERT_NE(relay, nullptr);
    ASSERT_EQ(relay->bytes[3], TAG_CHAT_RELAY);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(relay->bytes + 14), relay->length - 14), text);
    destroy_session(s);
}

}  // namespace
