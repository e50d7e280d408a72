#include "net/messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/dispatch.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Datagram {
    uint8_t buf[MAX_DATAGRAM];
    WireWriter w{buf};
    Bytes bytes() const { return Bytes(buf, buf + w.length); }
};

Bytes header(uint8_t tag) { return {0x53, 0x4B, PROTOCOL_VERSION, tag}; }

Bytes with_u32(Bytes b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return b;
}

Bytes with(Bytes b, std::initializer_list<uint8_t> tail) {
    b.insert(b.end(), tail);
    return b;
}

Bytes with_text(Bytes b, const std::string& s) {
    b.push_back(static_cast<uint8_t>(s.size()));
    b.insert(b.end(), s.begin(), s.end());
    return b;
}

bool server_takes(const Bytes& b, ServerMessage& m) { return decode_server_message(b.data(), b.size(), m); }
bool server_takes(const Bytes& b) {
    ServerMessage m;
    return server_takes(b, m);
}

bool client_takes(const Bytes& b, ClientMessage& m) {
    static World scratch;
    return decode_client_message(b.data(), b.size(), PROTOCOL_VERSION, SnapshotGate{}, scratch, m);
}
bool client_takes(const Bytes& b) {
    ClientMessage m;
    return client_takes(b, m);
}

TEST(MessageInputByte, PacksControlsIntoTheirBits) {
    EXPECT_EQ(pack_input({true, false, false, false, false, 0}), 0x01);
    EXPECT_EQ(pack_input({false, true, false, false, false, 0}), 0x02);
    EXPECT_EQ(pack_input({false, false, true, false, false, 0}), 0x04);
    EXPECT_EQ(pack_input({false, false, false, true, false, 0}), 0x08);
    EXPECT_EQ(pack_input({false, false, false, false, true, 0}), 0x10);
    EXPECT_EQ(pack_input({false, false, false, false, false, ITEM_EXIT_VESSEL}), 0xE0);
    EXPECT_EQ(pack_input({false, false, true, false, false, ITEM_SHIELD}), 0x44);
    for (int bits = 0; bits < 256; ++bits) {
        EXPECT_EQ(pack_input(unpack_input(static_cast<uint8_t>(bits))), bits);
    }
    Plane p{};
    set_plane_input(p, unpack_input(0x5A));
    EXPECT_EQ(pack_input(plane_input(p)), 0x5A);
}

TEST(MessageRoundTrip, HeaderOnlyMessages) {
    Datagram d;
    encode_join_request(d.w);
    EXPECT_EQ(d.bytes(), header(TAG_JOIN_REQUEST));
    ServerMessage s;
    ASSERT_TRUE(server_takes(d.bytes(), s));
    EXPECT_EQ(s.tag, TAG_JOIN_REQUEST);

    encode_leave(d.w);
    EXPECT_EQ(d.bytes(), header(TAG_LEAVE));
    ASSERT_TRUE(server_takes(d.bytes(), s));
    EXPECT_EQ(s.tag, TAG_LEAVE);

    encode_server_full(d.w);
    EXPECT_EQ(d.bytes(), header(TAG_SERVER_FULL));
    ClientMessage c;
    ASSERT_TRUE(client_takes(d.bytes(), c));
    EXPECT_EQ(c.tag, TAG_SERVER_FULL);
}

TEST(MessageRoundTrip, Welcome) {
    Datagram d;
    encode_welcome(d.w, 7);
    EXPECT_EQ(d.bytes(), with(header(TAG_WELCOME), {7}));
    ClientMessage c;
    ASSERT_TRUE(client_takes(d.bytes(), c));
    EXPECT_EQ(c.tag, TAG_WELCOME);
    EXPECT_EQ(c.welcome.slot, 7);
}

TEST(MessageRoundTrip, InputBatch) {
    const uint8_t inputs[] = {0x01, 0x24, 0xE0};
    Datagram d;
    encode_input_batch(d.w, 1000, inputs);
    EXPECT_EQ(d.bytes(), with(with_u32(header(TAG_INPUT_BATCH), 1000), {3, 0x01, 0x24, 0xE0}));
    ServerMessage s;
    ASSERT_TRUE(server_takes(d.bytes(), s));
    EXPECT_EQ(s.tag, TAG_INPUT_BATCH);
    EXPECT_EQ(s.input_batch.newest, 1000u);
    EXPECT_EQ(s.input_batch.count, 3);
    EXPECT_EQ(s.input_batch.present, 3);
    EXPECT_EQ(first_input(s.input_batch), 998u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(pack_input(s.input_batch.inputs[i]), inputs[i]);
}

TEST(MessageRoundTrip, InputBatchKeepsOnlyTheNewestSixteen) {
    uint8_t inputs[20];
    for (int i = 0; i < 20; ++i) inputs[i] = static_cast<uint8_t>(i);
    Datagram d;
    encode_input_batch(d.w, 50, inputs);
    EXPECT_EQ(d.w.length, 9u + 16u);
    ServerMessage s;
    ASSERT_TRUE(server_takes(d.bytes(), s));
    EXPECT_EQ(first_input(s.input_batch), 35u);
    EXPECT_EQ(pack_input(s.input_batch.inputs[0]), 4);
    EXPECT_EQ(pack_input(s.input_batch.inputs[15]), 19);

    // With nothing left to send the batch is 9 bytes (the server ignores it).
    encode_input_batch(d.w, 50, {});
    EXPECT_EQ(d.bytes(), with(with_u32(header(TAG_INPUT_BATCH), 50), {0}));
}

TEST(MessageRoundTrip, ChatSendAndRelay) {
    Datagram d;
    encode_chat_send(d.w, 12, "hello \xC3\xA9");
    EXPECT_EQ(d.w.length, 9u + 8u);
    const Bytes sent = d.bytes();  // the decoded text points into it
    ServerMessage s;
    ASSERT_TRUE(server_takes(sent, s));
    EXPECT_EQ(s.tag, TAG_CHAT_SEND);
    EXPECT_EQ(s.chat_send.sequence, 12u);
    EXPECT_EQ(s.chat_send.text, "hello \xC3\xA9");

    encode_chat_relay(d.w, 0x01020304, 6, 12, "hello");
    const Bytes relayed = d.bytes();
    EXPECT_EQ(relayed, with_text(with_u32(with(with_u32(header(TAG_CHAT_RELAY), 0x01020304), {6}), 12), "hello"));
    ClientMessage c;
    ASSERT_TRUE(client_takes(relayed, c));
    EXPECT_EQ(c.tag, TAG_CHAT_RELAY);
    EXPECT_EQ(c.chat_relay.serial, 0x01020304u);
    EXPECT_EQ(c.chat_relay.sender, 6);
    EXPECT_EQ(c.chat_relay.sequence, 12u);
    EXPECT_EQ(c.chat_relay.text, "hello");
}

TEST(MessageRoundTrip, LongChatLinesAreCutToEightyBytes) {
    const std::string line = std::string(79, 'a') + "\xC3\xA9" + "tail";
    Datagram d;
    encode_chat_send(d.w, 1, line);
    EXPECT_EQ(d.w.length, 9u + 79u);
    encode_chat_relay(d.w, 1, 0, 1, std::string(120, 'z'));
    EXPECT_EQ(d.w.length, 14u + 80u);
    const Bytes relayed = d.bytes();
    ClientMessage c;
    ASSERT_TRUE(client_takes(relayed, c));
    EXPECT_EQ(c.chat_relay.text, std::string(80, 'z'));
}

TEST(MessageDispatch, EachSideTakesOnlyItsOwnTags) {
    for (int tag = 0; tag < 256; ++tag) {
        SCOPED_TRACE(tag);
        // Bodies long enough for every message, all checks passing.
        Bytes b = header(static_cast<uint8_t>(tag));
        if (tag == TAG_WELCOME) b.push_back(1);
        if (tag == TAG_INPUT_BATCH) b = with(with_u32(b, 1), {1, 0});
        if (tag == TAG_CHAT_SEND) b = with_text(with_u32(b, 1), "hi");
        if (tag == TAG_CHAT_RELAY) b = with_text(with_u32(with(with_u32(b, 1), {0}), 1), "hi");
        if (tag == TAG_SNAPSHOT) continue;  // covered by the snapshot tests
        EXPECT_EQ(server_takes(b), tag == 1 || tag == 4 || tag == 6 || tag == 7);
        EXPECT_EQ(client_takes(b), tag == 2 || tag == 3 || tag == 8);
    }
}

TEST(MessageDispatch, OtherVersionsAndShortDatagramsAreDropped) {
    EXPECT_FALSE(server_takes({0x53, 0x4B, 19, TAG_JOIN_REQUEST}));
    EXPECT_FALSE(server_takes({0x53, 0x4B, 22, TAG_JOIN_REQUEST}));
    EXPECT_TRUE(server_takes({0x53, 0x4B, 20, TAG_JOIN_REQUEST}));   // the server speaks 20 and 21
    // A v21 JoinRequest carries a 16-byte cookie: without it, it is not one.
    EXPECT_FALSE(server_takes({0x53, 0x4B, 21, TAG_JOIN_REQUEST}));
    Bytes request = {0x53, 0x4B, 21, TAG_JOIN_REQUEST};
    request.resize(4 + 15, 7);
    EXPECT_FALSE(server_takes(request));
    request.push_back(7);
    ServerMessage m;
    ASSERT_TRUE(server_takes(request, m));
    EXPECT_EQ(m.cookie.bytes[15], 7);
    EXPECT_FALSE(client_takes({0x53, 0x4B, 21, TAG_SERVER_FULL}));  // a client only its own
    EXPECT_FALSE(server_takes({0x53, 0x4B, 20}));
    EXPECT_FALSE(server_takes({}));
    // Bytes after a complete message are ignored.
    EXPECT_TRUE(server_takes(with(header(TAG_LEAVE), {1, 2, 3})));
    EXPECT_TRUE(client_takes(with(header(TAG_WELCOME), {3, 99})));
}

TEST(MessageChecks, ServerSideBadInputs) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool accepted;
    };
    const Bytes batch = header(TAG_INPUT_BATCH);
    const Bytes chat = header(TAG_CHAT_SEND);
    const std::vector<Case> cases = {
        {"batch without count", with_u32(batch, 5), false},
        {"batch newest cut short", with(batch, {1, 0, 0}), false},
        {"batch of 0 inputs", with(with_u32(batch, 5), {0}), false},
        {"batch of 17 inputs", with(with_u32(batch, 100), {17, 1, 2, 3}), false},
        {"batch before input 1", with(with_u32(batch, 3), {5, 1, 2, 3, 4, 5}), false},
        {"batch reaching input 1", with(with_u32(batch, 5), {5, 1, 2, 3, 4, 5}), true},
        {"batch with newest 0", with(with_u32(batch, 0), {1, 1}), false},
        {"chat without text", with_u32(chat, 1), false},
        {"chat shorter than 8 bytes", with(chat, {1, 0, 0}), false},
        {"chat text longer than the datagram", with(with_u32(chat, 1), {5, 'a', 'b'}), false},
        {"chat text of 81 bytes", with_text(with_u32(chat, 1), std::string(81, 'a')), false},
        {"chat text of 80 bytes", with_text(with_u32(chat, 1), std::string(80, 'a')), true},
        {"chat empty text", with_text(with_u32(chat, 1), ""), false},
        {"chat spaces only", with_text(with_u32(chat, 1), "  "), false},
        {"chat with a tab", with_text(with_u32(chat, 1), "a\tb"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(server_takes(c.bytes), c.accepted);
    }
}

// A batch that announces more inputs than the datagram holds carries those
// that are there.
TEST(MessageChecks, BatchCutShortKeepsThePresentInputs) {
    Bytes b = with(with_u32(header(TAG_INPUT_BATCH), 100), {16});
    for (uint8_t i = 0; i < 10; ++i) b.push_back(i);
    ServerMessage s;
    ASSERT_TRUE(server_takes(b, s));
    EXPECT_EQ(s.input_batch.count, 16);
    EXPECT_EQ(s.input_batch.present, 10);
    EXPECT_EQ(first_input(s.input_batch), 85u);
    EXPECT_EQ(pack_input(s.input_batch.inputs[9]), 9);
}

TEST(MessageChecks, ClientSideBadInputs) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool accepted;
    };
    const Bytes welcome = header(TAG_WELCOME);
    auto relay = [](uint8_t sender, Bytes text_field) {
        Bytes b = with(with_u32(header(TAG_CHAT_RELAY), 9), {sender});
        b = with_u32(b, 4);
        b.insert(b.end(), text_field.begin(), text_field.end());
        return b;
    };
    auto text = [](const std::string& s) { return with_text({}, s); };
    const std::vector<Case> cases = {
        {"welcome without slot", welcome, false},
        {"welcome slot 7", with(welcome, {7}), true},
        {"welcome slot 8", with(welcome, {8}), false},
        {"welcome slot 255", with(welcome, {255}), false},
        {"relay from 0", relay(0, text("hi")), true},
        {"relay from 7", relay(7, text("hi")), true},
        {"relay from 255", relay(255, text("hi")), true},
        {"relay from 8", relay(8, text("hi")), false},
        {"relay from 254", relay(254, text("hi")), false},
        {"relay shorter than 14 bytes", relay(0, {}), false},
        {"relay text beyond the datagram", relay(0, {3, 'a', 'b'}), false},
        {"relay text of 81 bytes", relay(0, text(std::string(81, 'x'))), false},
        {"relay empty text", relay(0, text("")), false},
        {"relay surrogate", relay(0, text("\xED\xA0\x80")), false},
        {"relay overlong", relay(0, text("\xC0\x80")), false},
        {"relay with DEL", relay(0, text("a\x7F")), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(client_takes(c.bytes), c.accepted);
    }
}

}  // namespace
