// The server's side of protocol 21, driven datagram by datagram in one
// process: when a client is sent a whole world and when the ticks it has not
// acknowledged, the world edits recorded between two steps, the hash every
// 60 ticks, and how a client's reports of its world are read.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/dispatch.h"
#include "net/messages.h"
#include "net/ticks.h"
#include "server/handshake.h"
#include "server/server_session.h"
#include "world/generate.h"
#include "world/world_hash.h"

namespace {

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};

constexpr Endpoint ALICE = make_endpoint(10, 0, 0, 1, 5000);
constexpr Endpoint BOB = make_endpoint(10, 0, 0, 2, 5000);

Endpoint person(int i) { return make_endpoint(10, 0, 1, static_cast<uint8_t>(i + 1), 6000); }

int warnings = 0;
void count_warnings(LogLevel level, std::string_view) { warnings += level == LogLevel::Warning; }

// What one client was sent, decoded as a v21 client reads it.
struct Got {
    uint8_t tag = 0;
    uint32_t tick = 0;          // of a whole world
    uint32_t acknowledged = 0;  // of a whole world: the last input the server applied
    uint8_t edits_included = 0;
    TickRun run;
};

class Protocol21Server : public ::testing::Test {
protected:
    void SetUp() override {
        World w;
        generate_world(w);
        session.reset(create_session(w));
        ASSERT_NE(session, nullptr);
        s().log_sink = count_warnings;
        warnings = 0;
    }
    ServerSession& s() { return *session; }

    template <typename Encode>
    void send(Endpoint from, uint8_t version, Encode encode) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer, version);
        encode(w);
        receive(s(), buffer, w.length, from);
    }
    // A v21 join echoes the cookie the server's Challenge would have carried.
    void join(Endpoint from, uint8_t version = PROTOCOL_VERSION_21) {
        if (version != PROTOCOL_VERSION_21) {
            send(from, version, [](WireWriter& w) { encode_join_request(w); });
            return;
        }
        const JoinCookie cookie = address_cookie(s(), from, s().tick / COOKIE_PERIOD);
        send(from, version, [&](WireWriter& w) { encode_join_request_21(w, cookie); });
    }
    void leave(Endpoint from) {
        send(from, PROTOCOL_VERSION_21, [](WireWriter& w) { encode_leave(w); });
    }
    // A batch of one input numbered `newest`, with the client's report.
    void batch(Endpoint from, uint32_t newest, WorldReport report, uint8_t input = 0) {
        const uint8_t packed[1] = {input};
        send(from, PROTOCOL_VERSION_21, [&](WireWriter& w) { encode_input_batch_21(w, newest, packed, report); });
    }

    // Everything sent to `to` since the last call, decoded.
    std::vector<Got> sent_to(Endpoint to) {
        std::vector<Got> out;
        while (const OutgoingDatagram* d = pop_outgoing(s())) {
            if (!(d->to == to)) continue;
            ClientMessage m;
            if (!decode_client_message(d->bytes, d->length, PROTOCOL_VERSION_21, SnapshotGate{0, 0xFFFFFFFFu, true},
                                       scratch, m)) {
                continue;
            }
            Got g;
            g.tag = m.tag;
            g.tick = m.snapshot.tick;
            g.acknowledged = m.snapshot.acknowledged_input;
            g.edits_included = m.image.edits_included;
            g.run = m.tick_run;
            out.push_back(g);
        }
        return out;
    }
    void tick() { server_tick(s()); }
    // Ticks until the server's tick is `t`, collecting what `to` was sent.
    std::vector<Got> run_to(uint64_t t, Endpoint to) {
        std::vector<Got> out;
        while (s().tick < t) {
            tick();
            for (const Got& g : sent_to(to)) out.push_back(g);
        }
        return out;
    }
    static int images(const std::vector<Got>& got) {
        int n = 0;
        for (const Got& g : got) n += g.tag == TAG_SNAPSHOT;
        return n;
    }

    // Alice joins, plays, and takes the first whole world: returns its tick
    // (the first even tick after her first batch).
    uint64_t alice_holds_a_world() {
        join(ALICE);
        batch(ALICE, 1, {});
        std::vector<Got> got = run_to(s().tick + 2 - s().tick % 2, ALICE);
        EXPECT_EQ(got.size(), 2u);  // the Welcome, then the world
        if (got.empty()) return 0;
        const uint32_t t = got.back().tick;
        EXPECT_EQ(t, s().tick);
        batch(ALICE, 2, {true, false, t});
        return t;
    }

    std::unique_ptr<ServerSession, SessionDeleter> session;
    World scratch;
};

}  // namespace

// A whole world goes out after the first batch and again every 24 ticks
// while the client does not say it holds it.
TEST_F(Protocol21Server, AWholeWorldIsSentAgainEvery24TicksUntilHeld) {
    join(ALICE);
    batch(ALICE, 1, {});
    std::vector<Got> got = run_to(2, ALICE);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].tag, TAG_WELCOME);
    EXPECT_EQ(got[1].tag, TAG_SNAPSHOT);
    EXPECT_EQ(got[1].tick, 2u);
    got = run_to(24, ALICE);
    EXPECT_EQ(images(got), 0);
    got = run_to(26, ALICE);
    EXPECT_EQ(images(got), 1);
    EXPECT_EQ(got.back().tick, 26u);
}

// A whole world acknowledges the last input the server applied, not the
// newest it received: of inputs 1..3 that came at once, one a tick, so the
// world of tick 2 holds inputs 1 and 2.
TEST_F(Protocol21Server, AWholeWorldAcknowledgesTheLastAppliedInput) {
    join(ALICE);
    const uint8_t packed[3] = {0, 0, 0};
    send(ALICE, PROTOCOL_VERSION_21, [&](WireWriter& w) { encode_input_batch_21(w, 3, packed, {}); });
    std::vector<Got> got = run_to(2, ALICE);
    ASSERT_EQ(got.size(), 2u);
    ASSERT_EQ(got[1].tag, TAG_SNAPSHOT);
    EXPECT_EQ(got[1].acknowledged, 2u);
}

// Holding the world of the image's own tick acknowledges it: from then on
// only runs of ticks, each from the tick after the one the client holds up
// to the tick just made, with the acknowledged input of that last tick.
TEST_F(Protocol21Server, TicksAfterTheHeldOneAreSentUpToTheNewest) {
    const uint64_t t = alice_holds_a_world();
    std::vector<Got> got = run_to(t + 30, ALICE);
    EXPECT_EQ(images(got), 0);
    ASSERT_FALSE(got.empty());
    const TickRun& last = got.back().run;
    EXPECT_EQ(got.back().tag, TAG_TICK_RUN);
    EXPECT_EQ(last.first_tick, t + 1);
    EXPECT_EQ(last_tick(last), t + 30);
    EXPECT_EQ(last.own_input, 2u);
}

// A client that falls behind by more than a run is sent 64 ticks at a time,
// each run with the input acknowledged by its own last tick.
TEST_F(Protocol21Server, ARunOfSixtyFourTicksAcknowledgesItsOwnLastTick) {
    const uint64_t t = alice_holds_a_world();
    // Inputs 3, 4, ... one a tick, while its world stays at t.
    uint32_t n = 2;
    std::vector<Got> got;
    while (s().tick < t + 100) {
        batch(ALICE, ++n, {true, false, static_cast<uint32_t>(t)});
        tick();
        for (const Got& g : sent_to(ALICE)) got.push_back(g);
    }
    ASSERT_FALSE(got.empty());
    const TickRun& run = got.back().run;
    ASSERT_EQ(run.count, RUN_TICKS_MAX);
    EXPECT_EQ(run.first_tick, t + 1);
    // Input 2 was applied in tick t + 1 and one more in each tick after.
    EXPECT_EQ(run.own_input, 2u + 63u);
}

// The tick log holds 256 ticks: a client whose world is that old is sent a
// whole world at once; one tick younger it still gets the ticks.
TEST_F(Protocol21Server, AClientFurtherBehindThanTheLogGetsAWholeWorld) {
    const uint64_t t = alice_holds_a_world();
    std::vector<Got> got = run_to(t + 254, ALICE);
    EXPECT_EQ(images(got), 0);
    EXPECT_EQ(got.back().tag, TAG_TICK_RUN);
    got = run_to(t + 256, ALICE);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].tag, TAG_SNAPSHOT);
    EXPECT_EQ(got[0].tick, t + 256);
}

// Held at an odd tick H, the world is still in the log at H + 255, the
// even tick when runs go out: the client gets the ticks, not a whole world.
TEST_F(Protocol21Server, AWorldHeldAtAnOddTickIsInTheLogFor255TicksMore) {
    const uint64_t t = alice_holds_a_world();
    run_to(t + 2, ALICE);
    batch(ALICE, 3, {true, false, static_cast<uint32_t>(t + 1)});
    const std::vector<Got> got = run_to(t + 1 + 255, ALICE);
    EXPECT_EQ(images(got), 0);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().tag, TAG_TICK_RUN);
    EXPECT_EQ(got.back().run.first_tick, t + 2);
}

// Every tick that is a multiple of 60 carries the hash of the world right
// after its step.
TEST_F(Protocol21Server, TheHashOfEverySixtiethTickGoesWithIt) {
    const uint64_t t = alice_holds_a_world();
    uint64_t hashes_at[2] = {};  // of ticks 60 and 120
    std::vector<Got> got;
    while (s().tick < 122) {
        tick();
        if (s().tick % 60 == 0) hashes_at[s().tick / 60 - 1] = hash_world(s().world);
        for (const Got& g : sent_to(ALICE)) got.push_back(g);
        batch(ALICE, static_cast<uint32_t>(s().tick + 2), {true, false, static_cast<uint32_t>(s().tick)});
    }
    ASSERT_LT(t, 60u);
    int hashes = 0;
    for (const Got& g : got) {
        if (!g.run.has_hash) continue;
        const uint32_t hashed = g.run.first_tick + g.run.hash_record;
        ASSERT_TRUE(hashed == 60u || hashed == 120u) << hashed;
        EXPECT_EQ(g.run.hash, hashes_at[hashed / 60 - 1]);
        ++hashes;
    }
    EXPECT_EQ(hashes, 2);
}

// A request for a whole world counts as one mismatch until the client has
// taken the world sent for it; a late batch's report is ignored; a report of
// a tick the server has not reached does not acknowledge a world.
TEST_F(Protocol21Server, AMismatchCountsOnceAndLateReportsDoNothing) {
    const uint64_t t = alice_holds_a_world();
    run_to(t + 10, ALICE);
    batch(ALICE, 20, {true, false, static_cast<uint32_t>(t + 8)});
    batch(ALICE, 19, {true, true, static_cast<uint32_t>(t + 7)});  // late
    EXPECT_EQ(s().world_mismatches, 0u);
    batch(ALICE, 21, {true, true, static_cast<uint32_t>(t + 9)});
    batch(ALICE, 22, {true, true, static_cast<uint32_t>(t + 9)});
    EXPECT_EQ(s().world_mismatches, 1u);
    EXPECT_EQ(s().slots[0].mismatches, 1u);
    EXPECT_EQ(warnings, 1);

    std::vector<Got> got = run_to(t + 12, ALICE);
    ASSERT_EQ(images(got), 1);
    const uint32_t image = got[0].tick;
    // Its world "from the future" (before the server's first tick once
    // widened) is no acknowledgement: no new world before 24 ticks.
    batch(ALICE, 23, {true, false, image + 1000});
    got = run_to(t + 14, ALICE);
    EXPECT_EQ(images(got), 0);
    batch(ALICE, 24, {true, false, image});
    batch(ALICE, 25, {true, true, image});
    EXPECT_EQ(s().world_mismatches, 2u);
}

// Edits between two steps: up to eight are recorded; a ninth turns the last
// into a replacement of the world, after which nothing more is recorded and
// every v21 client needs a whole world.
TEST_F(Protocol21Server, ANinthEditInOneTickBecomesAReplacement) {
    alice_holds_a_world();
    run_to(s().tick + 2, ALICE);
    ASSERT_FALSE(s().slots[0].needs_world);
    for (int i = 0; i < 4; ++i) {
        join(person(i));
        leave(person(i));
    }
    TickRecord& next = s().ticks.next;
    ASSERT_EQ(next.edit_count, 8);
    EXPECT_EQ(next.edits[7].kind, EDIT_REMOVE);
    EXPECT_FALSE(s().slots[0].needs_world);
    join(person(5));
    ASSERT_EQ(next.edit_count, 8);
    EXPECT_EQ(next.edits[7].kind, EDIT_REPLACE);
    EXPECT_TRUE(s().slots[0].needs_world);
    leave(person(5));
    EXPECT_EQ(next.edit_count, 8);
    EXPECT_EQ(next.edits[7].kind, EDIT_REPLACE);
}

// A run holds 32 edits: it ends before a tick whose edits would not fit.
TEST_F(Protocol21Server, ARunEndsBeforeATickWhoseEditsDoNotFit) {
    const uint64_t t = alice_holds_a_world();
    run_to(t + 1, ALICE);
    // Eight edits before each of the ticks t + 2 .. t + 6.
    for (int k = 0; k < 5; ++k) {
        for (int i = 0; i < 4; ++i) {
            join(person(i));
            leave(person(i));
        }
        tick();
        sent_to(ALICE);
    }
    const std::vector<Got> got = run_to(s().tick + 2, ALICE);
    ASSERT_FALSE(got.empty());
    const TickRun& run = got.back().run;
    EXPECT_EQ(run.first_tick, t + 1);
    EXPECT_EQ(run.edit_count, 32);
    EXPECT_EQ(run.count, 5);  // tick t + 1 without edits, then four of eight
}

// A slot lives in the protocol it joined with: a JoinRequest of the other
// protocol from its address (forged, or late) switches nothing and is not
// answered. A repeated request in its own protocol is answered and brings a
// whole world again.
TEST_F(Protocol21Server, AJoinInTheOtherProtocolSwitchesNothing) {
    join(BOB, PROTOCOL_VERSION);
    batch(BOB, 1, {});  // a v21 batch from a v20 slot: ignored
    EXPECT_FALSE(s().slots[0].sent_input);
    while (pop_outgoing(s())) {
    }
    join(BOB, PROTOCOL_VERSION_21);
    EXPECT_EQ(s().slots[0].protocol, PROTOCOL_VERSION);
    EXPECT_EQ(pop_outgoing(s()), nullptr);

    const uint64_t t = alice_holds_a_world();
    run_to(t + 2, ALICE);
    ASSERT_FALSE(s().slots[1].needs_world);
    join(ALICE, PROTOCOL_VERSION);
    EXPECT_EQ(s().slots[1].protocol, PROTOCOL_VERSION_21);
    EXPECT_FALSE(s().slots[1].needs_world);
    join(ALICE);
    EXPECT_TRUE(s().slots[1].needs_world);
}

// A whole world sent between a tick's step and the next says how many edits
// of the next tick it already holds: here a player timed out in the same
// tick, after the step.
TEST_F(Protocol21Server, AWholeWorldCountsTheEditsItHolds) {
    join(ALICE);
    batch(ALICE, 1, {});
    std::vector<Got> got = run_to(25, ALICE);
    join(BOB, PROTOCOL_VERSION);  // never plays: freed when tick 266 is over 240 after tick 25
    got = run_to(266, ALICE);
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back().tag, TAG_SNAPSHOT);
    EXPECT_EQ(got.back().tick, 266u);  // 2 + 11 * 24
    EXPECT_EQ(got.back().edits_included, 1);
    EXPECT_FALSE(s().slots[1].in_use);
}

// The input recorded for a tick is the one the step applied, purchase and
// all (the step clears the purchase once made).
TEST_F(Protocol21Server, ATickRecordsTheInputsTheStepApplied) {
    const uint64_t t = alice_holds_a_world();
    const uint8_t buy_radar = pack_input({false, true, true, false, false, ITEM_RADAR});
    batch(ALICE, 3, {true, false, static_cast<uint32_t>(t)}, buy_radar);
    const std::vector<Got> got = run_to(t + 4, ALICE);
    ASSERT_FALSE(got.empty());
    const TickRun& run = got.back().run;
    ASSERT_GE(run.count, 2);
    EXPECT_EQ(run.inputs[1][0], buy_radar) << "input 3 is applied in tick t + 2";
}

// A client that started over takes a new whole world; a batch of its old
// numbering that arrives late afterwards tells of an older world, and the
// ticks from before the new world are still not sent.
TEST_F(Protocol21Server, ALateBatchFromBeforeARestartResendsNothingOlderThanTheLastWorld) {
    const uint64_t t = alice_holds_a_world();
    uint32_t n = 2;
    while (s().tick < 310) {
        tick();
        sent_to(ALICE);
        batch(ALICE, ++n, {true, false, static_cast<uint32_t>(s().tick)});
    }
    ASSERT_GT(t, 0u);
    join(ALICE);                 // it started over ...
    batch(ALICE, 1, {});         // ... and numbers from 1 again
    std::vector<Got> got = run_to(312, ALICE);
    ASSERT_EQ(images(got), 1);
    const uint32_t image = got.back().tick;
    batch(ALICE, 2, {true, false, image});
    batch(ALICE, n - 5, {true, false, 200});  // late, from the old numbering
    got = run_to(314, ALICE);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].tag, TAG_TICK_RUN);
    EXPECT_EQ(got[0].run.first_tick, image + 1);
}
