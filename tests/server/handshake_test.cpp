// Who gets a slot and a stream: a protocol 21 address must echo the cookie
// of its Challenge first, and nothing from an address that never did earns
// it more bytes than it sent. Also what keeps a slot alive, and the limits a
// client that reports mismatches over and over runs into.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/dispatch.h"
#include "net/handshake.h"
#include "net/messages.h"
#include "net/ticks.h"
#include "server/handshake.h"
#include "server/server_session.h"
#include "world/generate.h"

namespace {

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};

constexpr Endpoint PLAYER = make_endpoint(10, 0, 0, 1, 5000);
constexpr Endpoint VICTIM = make_endpoint(10, 0, 0, 9, 5000);

std::vector<std::string> warnings;
void keep_warnings(LogLevel level, std::string_view line) {
    if (level == LogLevel::Warning) warnings.emplace_back(line);
}

struct Sent {
    Endpoint to;
    std::vector<uint8_t> bytes;
};

class Handshake : public ::testing::Test {
protected:
    void SetUp() override {
        World w;
        generate_world(w);
        session.reset(create_session(w));
        ASSERT_NE(session, nullptr);
        s().log_sink = keep_warnings;
        warnings.clear();
    }
    ServerSession& s() { return *session; }

    // Sends one datagram; returns its length.
    template <typename Encode>
    size_t send(Endpoint from, uint8_t version, Encode encode) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer, version);
        encode(w);
        receive(s(), buffer, w.length, from);
        return w.length;
    }
    size_t join(Endpoint from, const JoinCookie& cookie) {
        return send(from, PROTOCOL_VERSION_21, [&](WireWriter& w) { encode_join_request_21(w, cookie); });
    }
    size_t batch(Endpoint from, uint32_t newest, WorldReport report = {}) {
        const uint8_t packed[1] = {0};
        return send(from, PROTOCOL_VERSION_21, [&](WireWriter& w) { encode_input_batch_21(w, newest, packed, report); });
    }
    std::vector<Sent> drain() {
        std::vector<Sent> out;
        while (const OutgoingDatagram* d = pop_outgoing(s())) out.push_back({d->to, {d->bytes, d->bytes + d->length}});
        return out;
    }
    static ClientMessage decoded(const Sent& d) {
        static World scratch;
        ClientMessage m;
        EXPECT_TRUE(decode_client_message(d.bytes.data(), d.bytes.size(), PROTOCOL_VERSION_21,
                                          SnapshotGate{0, 0xFFFFFFFFu, true}, scratch, m));
        return m;
    }
    // The cookie a Challenge to `from` carries, by asking for it.
    JoinCookie challenge(Endpoint from) {
        join(from, JoinCookie{});
        const std::vector<Sent> got = drain();
        EXPECT_EQ(got.size(), 1u);
        if (got.size() != 1) return {};
        const ClientMessage m = decoded(got[0]);
        EXPECT_EQ(m.tag, TAG_CHALLENGE);
        return m.challenge;
    }

    std::unique_ptr<ServerSession, SessionDeleter> session;
};

TEST_F(Handshake, OnlyTheEchoedCookieOfTheSendersOwnAddressTakesASlot) {
    const JoinCookie cookie = challenge(PLAYER);
    EXPECT_FALSE(is_blank(cookie));
    EXPECT_FALSE(s().slots[0].in_use);  // nothing kept for a first request

    JoinCookie flipped = cookie;
    flipped.bytes[COOKIE_SIZE - 1] ^= 1;
    const struct {
        const char* name;
        Endpoint from;
        JoinCookie cookie;
    } refused[] = {
        {"blank", PLAYER, JoinCookie{}},
        {"one bit off", PLAYER, flipped},
        {"another port", make_endpoint(10, 0, 0, 1, 5001), cookie},
        {"another port, high byte", make_endpoint(10, 0, 0, 1, 5000 + 256), cookie},
        {"another address", make_endpoint(10, 0, 0, 2, 5000), cookie},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        join(c.from, c.cookie);
        const std::vector<Sent> got = drain();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(decoded(got[0]).tag, TAG_CHALLENGE);
        for (const PlayerSlot& slot : s().slots) EXPECT_FALSE(slot.in_use);
    }

    join(PLAYER, cookie);
    const std::vector<Sent> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(decoded(got[0]).tag, TAG_WELCOME);
    EXPECT_TRUE(s().slots[0].in_use);
    EXPECT_EQ(s().slots[0].protocol, PROTOCOL_VERSION_21);
}

// A cookie is good in the period it was made (1200 ticks) and the next.
TEST_F(Handshake, ACookieLastsItsPeriodAndTheNext) {
    const JoinCookie cookie = challenge(PLAYER);  // made at tick 0
    while (s().tick < 2 * 1200 - 1) server_tick(s());
    drain();
    EXPECT_TRUE(cookie_accepted(s(), PLAYER, cookie));
    server_tick(s());  // tick 2400: two periods on
    EXPECT_FALSE(cookie_accepted(s(), PLAYER, cookie));
    join(PLAYER, cookie);
    const std::vector<Sent> got = drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(decoded(got[0]).tag, TAG_CHALLENGE);
}

// Whatever an address that never echoed a cookie sends, in either protocol
// and in any order, it gets back at most as many bytes as it sent, and holds
// no slot (a server that does not serve protocol 20 answers it nothing).
TEST_F(Handshake, AnUnprovenAddressGetsBackNoMoreThanItSent) {
    for (bool serves_20 : {true, false}) {
        SCOPED_TRACE(serves_20 ? "serving 20 too" : "21 only");
        SetUp();
        s().accepts_protocol_20 = serves_20;
        size_t in = 0, out = 0;
        for (int round = 0; round < 200; ++round) {
            in += join(VICTIM, JoinCookie{});
            in += batch(VICTIM, 1 + static_cast<uint32_t>(round));
            in += send(VICTIM, PROTOCOL_VERSION_21, [&](WireWriter& w) { encode_chat_send(w, 1, "hello"); });
            in += send(VICTIM, PROTOCOL_VERSION_21, [](WireWriter& w) { encode_leave(w); });
            if (!serves_20) {
                in += send(VICTIM, PROTOCOL_VERSION, [](WireWriter& w) { encode_join_request(w); });
                in += send(VICTIM, PROTOCOL_VERSION, [&](WireWriter& w) {
                    const uint8_t packed[1] = {0};
                    encode_input_batch(w, 1 + static_cast<uint32_t>(round), packed);
                });
            }
            for (int t = 0; t < 6; ++t) {
                server_tick(s());
                for (const Sent& d : drain()) out += d.bytes.size();
            }
        }
        EXPECT_LE(out, in);
        for (const PlayerSlot& slot : s().slots) EXPECT_FALSE(slot.in_use);
    }
}

// A slot lives only on valid messages of its own protocol from its own
// address: a server's stream reflected at it (TickRuns and world images of
// another server "from" the player) keeps it no longer than 5 s.
TEST_F(Handshake, ReflectedServerTrafficDoesNotKeepASlot) {
    join(PLAYER, challenge(PLAYER));
    batch(PLAYER, 1);
    ASSERT_TRUE(s().slots[0].sent_input);
    std::vector<Sent> stream;
    for (int t = 0; t < 10; ++t) {
        server_tick(s());
        for (Sent& d : drain()) stream.push_back(d);
    }
    ASSERT_FALSE(stream.empty());
    for (int t = 0; t < 601; ++t) {
        const Sent& echo = stream[static_cast<size_t>(t) % stream.size()];
        receive(s(), echo.bytes.data(), echo.bytes.size(), PLAYER);
        server_tick(s());
        drain();
    }
    EXPECT_FALSE(s().slots[0].in_use);
}

// A good JoinRequest is a valid message of the slot's own protocol: it keeps
// the slot as any other does (a client repeats it until the Welcome comes).
TEST_F(Handshake, AGoodJoinKeepsItsSlotAlive) {
    join(PLAYER, challenge(PLAYER));
    batch(PLAYER, 1);
    for (int t = 0; t < 1200; ++t) {
        if (t % 100 == 0) join(PLAYER, address_cookie(s(), PLAYER, s().tick / COOKIE_PERIOD));
        server_tick(s());
        drain();
    }
    // The same slot, never timed out and granted again.
    EXPECT_TRUE(s().slots[0].in_use);
    EXPECT_TRUE(s().slots[0].sent_input);
    EXPECT_EQ(s().slots[0].joined_tick, 0u);
}

// A client that acknowledges each whole world and then reports a mismatch,
// over and over, for a minute: whole worlds at most every 2 s, a warning
// line at most every 10 s, and the lines count the reports in between.
TEST_F(Handshake, MismatchReportsAreAnsweredAndLoggedAtALimitedRate) {
    join(PLAYER, challenge(PLAYER));
    uint32_t newest = 1;
    batch(PLAYER, newest);
    int images = 0;
    uint32_t image_tick = 0;
    while (s().tick < 60 * 120) {
        server_tick(s());
        for (const Sent& d : drain()) {
            const ClientMessage m = decoded(d);
            if (m.tag != TAG_SNAPSHOT) continue;
            ++images;
            image_tick = m.snapshot.tick;
        }
        // Holds the newest world it was sent, and says it differed.
        const WorldReport report{true, image_tick != 0 && s().tick % 8 == 0, image_tick};
        batch(PLAYER, ++newest, report);
    }
    EXPECT_LE(images, 1 + 60 / 2 + 1);
    EXPECT_GE(images, 60 / 2 - 1);  // still answered, just not at once
    EXPECT_LE(warnings.size(), 6u);
    ASSERT_GE(warnings.size(), 2u);
    EXPECT_NE(warnings[1].find("more reports since the last warning"), std::string::npos) << warnings[1];
}

}  // namespace
