#include "server/server_session.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/messages.h"
#include "net/snapshot.h"
#include "world/generate.h"
#include "world/test_worlds.h"

namespace {

struct Sent {
    Endpoint to;
    std::vector<uint8_t> bytes;
    uint8_t tag() const { return bytes.size() >= 4 ? bytes[3] : 0; }
};

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};

constexpr Endpoint ALICE = make_endpoint(10, 0, 0, 1, 5000);
constexpr Endpoint BOB = make_endpoint(192, 168, 1, 20, 40000);

Endpoint player_address(int i) { return make_endpoint(10, 0, 0, static_cast<uint8_t>(i + 1), 5000); }

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        World w;
        generate_world(w);
        session.reset(create_session(w));
        ASSERT_NE(session, nullptr);
    }

    ServerSession& s() { return *session; }

    template <typename Encode>
    void send(Endpoint from, Encode encode) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        encode(w);
        receive(s(), buffer, w.length, from);
    }
    void join(Endpoint from) {
        send(from, [](WireWriter& w) { encode_join_request(w); });
    }
    void leave(Endpoint from) {
        send(from, [](WireWriter& w) { encode_leave(w); });
    }
    void chat(Endpoint from, uint32_t sequence, std::string_view text) {
        send(from, [&](WireWriter& w) { encode_chat_send(w, sequence, text); });
    }
    // Sends inputs numbered newest - bytes + 1 .. newest.
    void inputs(Endpoint from, uint32_t newest, std::vector<uint8_t> bytes) {
        send(from, [&](WireWriter& w) { encode_input_batch(w, newest, bytes); });
    }

    std::vector<Sent> drain() {
        std::vector<Sent> out;
        while (const OutgoingDatagram* d = pop_outgoing(s())) out.push_back({d->to, {d->bytes, d->bytes + d->length}});
        return out;
    }

    // Joins and returns the slot granted.
    int joined(Endpoint from) {
        join(from);
        std::vector<Sent> sent = drain();
        if (sent.size() != 1 || sent[0].tag() != TAG_WELCOME) return -1;
        return sent[0].bytes[4];
    }
    // Joins and sends input 1, as a client does on its first tick: from
    // then on the slot gets snapshots and chat.
    int playing(Endpoint from) {
        const int slot = joined(from);
        inputs(from, 1, {0});
        return slot;
    }

    std::unique_ptr<ServerSession, SessionDeleter> session;
};

uint8_t input_bits(bool left, bool right, bool thrust, bool fire, bool hook, uint8_t buy = 0) {
    return pack_input({left, right, thrust, fire, hook, buy});
}

TEST_F(SessionTest, JoinGrantsTheLowestSlotSpawnsThePlaneAndLogs) {
    testing::internal::CaptureStderr();
    join(BOB);
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "info: player 0 joined from 192.168.1.20:40000\n");

    std::vector<Sent> sent = drain();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to, BOB);
    EXPECT_EQ(sent[0].bytes, (std::vector<uint8_t>{0x53, 0x4B, 20, TAG_WELCOME, 0}));

    const Plane& p = s().world.planes[0];
    EXPECT_TRUE(p.in_use);
    EXPECT_TRUE(s().slots[0].in_use);
    EXPECT_EQ(p.pos, (Vec2{4800.0f, 2754.0f}));
    EXPECT_EQ(p.angle, SPAWN_ANGLE);
    EXPECT_EQ(p.health, 150);
    EXPECT_EQ(p.boarding_vessel, NONE);
}

TEST_F(SessionTest, RepeatedJoinGetsTheSameSlotWithoutRespawn) {
    ASSERT_EQ(joined(ALICE), 0);
    ASSERT_EQ(joined(BOB), 1);
    s().world.planes[0].pos = {100.0f, 200.0f};
    s().world.planes[0].resources[1] = 7;
    testing::internal::CaptureStderr();
    EXPECT_EQ(joined(ALICE), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(s().world.planes[0].pos, (Vec2{100.0f, 200.0f}));
    EXPECT_EQ(s().world.planes[0].resources[1], 7u);
}

TEST_F(SessionTest, NinthPlayerIsRefusedUntilASlotFrees) {
    for (int i = 0; i < 8; ++i) ASSERT_EQ(joined(player_address(i)), i);
    const Endpoint ninth = make_endpoint(172, 16, 0, 9, 9);
    join(ninth);
    std::vector<Sent> sent = drain();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].to, ninth);
    EXPECT_EQ(sent[0].bytes, (std::vector<uint8_t>{0x53, 0x4B, 20, TAG_SERVER_FULL}));
    EXPECT_EQ(find_slot(s(), ninth), -1);

    testing::internal::CaptureStderr();
    leave(player_address(3));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "info: player 3 left\n");
    EXPECT_FALSE(s().world.planes[3].in_use);
    EXPECT_EQ(joined(ninth), 3);
}

TEST_F(SessionTest, OnlyAJoinRequestFromAStrangerDoesAnything) {
    ASSERT_EQ(joined(ALICE), 0);
    inputs(BOB, 1, {input_bits(true, true, true, true, true)});
    chat(BOB, 1, "hi");
    leave(BOB);
    EXPECT_EQ(find_slot(s(), BOB), -1);
    EXPECT_TRUE(drain().empty());
    // Same address, other port: a stranger too.
    leave(Endpoint{ALICE.address, 5001});
    EXPECT_TRUE(s().slots[0].in_use);
}

TEST_F(SessionTest, MalformedDatagramsAreDropped) {
    ASSERT_EQ(joined(ALICE), 0);
    const std::vector<std::vector<uint8_t>> bad = {
        {},
        {0x53, 0x4B, 20},
        {0x53, 0x4B, 19, TAG_LEAVE},
        {0x53, 0x4B, 22, TAG_LEAVE},
        {0x54, 0x4B, 20, TAG_LEAVE},
        {0x53, 0x4B, 20, TAG_WELCOME, 0},
        {0x53, 0x4B, 20, TAG_INPUT_BATCH, 3, 0, 0, 0, 5, 1, 1, 1, 1, 1},  // newest 3, five inputs
        {0x53, 0x4B, 20, TAG_CHAT_SEND, 1, 0, 0, 0, 3, ' ', ' ', ' '},
    };
    for (const auto& d : bad) receive(s(), d.data(), d.size(), ALICE);
    EXPECT_TRUE(s().slots[0].in_use);
    EXPECT_EQ(s().slots[0].newest_received, 0u);
    EXPECT_TRUE(drain().empty());
    receive(s(), nullptr, 0, ALICE);
}

// ---- input consumption -----------------------------------------------------

struct Ring {
    PlayerSlot slot;
    Plane plane;
    uint64_t now = 0;  // the server's tick

    // Stores inputs numbered newest - bytes + 1 .. newest.
    void store(uint32_t newest, std::vector<uint8_t> bytes) {
        InputBatch b;
        b.newest = newest;
        b.count = b.present = static_cast<uint8_t>(bytes.size());
        for (size_t i = 0; i < bytes.size(); ++i) b.inputs[i] = unpack_input(bytes[i]);
        store_inputs(slot, b, now);
    }
};

TEST(InputConsumption, NothingNewKeepsTheFlagsAndBuysNothing) {
    Ring r;
    r.plane.thrust = true;
    r.plane.buy_item = ITEM_SHIELD;
    consume_input(r.slot, r.plane);
    EXPECT_TRUE(r.plane.thrust);
    EXPECT_EQ(r.plane.buy_item, ITEM_NONE);
    EXPECT_EQ(r.slot.last_applied, 0u);
}

TEST(InputConsumption, SmallBacklogTakesTheNextNumberOnly) {
    Ring r;
    r.store(2, {input_bits(true, false, false, false, false, ITEM_RADAR), input_bits(false, true, false, false, false)});
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 1u);
    EXPECT_TRUE(r.plane.turn_left);
    EXPECT_EQ(r.plane.buy_item, ITEM_RADAR);
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 2u);
    EXPECT_FALSE(r.plane.turn_left);
    EXPECT_TRUE(r.plane.turn_right);
    EXPECT_EQ(r.plane.buy_item, ITEM_NONE);
}

TEST(InputConsumption, LostInputRepeatsTheFlagsWithoutAPurchaseThenIsSkipped) {
    Ring r;
    r.store(1, {input_bits(false, false, true, false, false, ITEM_SHIELD)});
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.plane.buy_item, ITEM_SHIELD);
    // Number 2 is lost; 3 arrives: backlog 2, so only 2 is looked at.
    r.store(3, {input_bits(true, false, false, false, false)});
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 1u);
    EXPECT_TRUE(r.plane.thrust);
    EXPECT_EQ(r.plane.buy_item, ITEM_NONE);
    // Number 4 makes the backlog 3: the scan finds 3 and 2 is never waited for.
    r.store(4, {input_bits(false, true, false, false, false)});
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 3u);
    EXPECT_TRUE(r.plane.turn_left);
    EXPECT_FALSE(r.plane.thrust);
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 4u);
    EXPECT_TRUE(r.plane.turn_right);
}

TEST(InputConsumption, BurstOfTwentySkipsToTheLastEightAndCarriesThePurchase) {
    Ring r;
    std::vector<uint8_t> burst(20, input_bits(false, false, true, false, false));
    burst[3] = input_bits(false, false, true, false, false, ITEM_TURRET);   // number 4, skipped
    burst[9] = input_bits(false, false, true, false, false, ITEM_MINIMAP);  // number 10, skipped, newest buy
    burst[12] = input_bits(true, false, false, false, false);               // number 13, the first of the last 8
    // The batch carries at most 16 inputs: send the first 4 and the other 16.
    r.store(4, std::vector<uint8_t>(burst.begin(), burst.begin() + 4));
    r.store(20, std::vector<uint8_t>(burst.begin() + 4, burst.end()));
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 13u);
    EXPECT_TRUE(r.plane.turn_left);
    EXPECT_FALSE(r.plane.thrust);
    EXPECT_EQ(r.plane.buy_item, ITEM_MINIMAP);
    // The rest come one per tick, with no purchase repeated.
    for (uint32_t expected = 14; expected <= 20; ++expected) {
        consume_input(r.slot, r.plane);
        EXPECT_EQ(r.slot.last_applied, expected);
        EXPECT_EQ(r.plane.buy_item, ITEM_NONE);
    }
}

TEST(InputConsumption, SkippedPurchaseRidesOnRepeatedFlagsWhenTheLastEightAreMissing) {
    Ring r;
    r.store(12, std::vector<uint8_t>(12, input_bits(false, false, false, true, false)));
    r.slot.inputs[2].buy_item = ITEM_SHIELD;  // number 2 asks for a shield
    // The last 8 (5..12) are all lost: wipe them from the ring.
    for (uint32_t q = 5; q <= 12; ++q) r.slot.inputs[q % INPUT_RING] = InputRecord{};
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 4u);
    EXPECT_EQ(r.plane.buy_item, ITEM_SHIELD);
    EXPECT_FALSE(r.plane.fire);  // previous flags
}

// Where each backlog rule starts: up to 2 only the next number counts, from 3
// the first stored number up to the newest, from 9 the window first skips to
// the last 8.
TEST(InputConsumption, BacklogBoundaries) {
    struct Case {
        uint32_t newest;
        std::vector<uint32_t> lost;
        uint32_t applied;
    } cases[] = {
        {2, {1}, 0},        // backlog 2: waits for number 1
        {3, {1, 2}, 3},     // backlog 3: the scan reaches the newest
        {8, {}, 1},         // backlog 8: nothing skipped
        {9, {}, 2},         // backlog 9: skips to 1, then takes 2
        {10, {1, 2, 3}, 4}, // backlog 10: skips to 2, 3 is lost, takes 4
    };
    for (const Case& k : cases) {
        Ring r;
        r.store(k.newest, std::vector<uint8_t>(k.newest, input_bits(false, false, true, false, false)));
        for (uint32_t q : k.lost) r.slot.inputs[q % INPUT_RING] = InputRecord{};
        consume_input(r.slot, r.plane);
        EXPECT_EQ(r.slot.last_applied, k.applied) << "newest " << k.newest;
        EXPECT_EQ(r.plane.thrust, k.applied != 0) << "newest " << k.newest;
    }
}

// A purchase of the applied input wins over one carried from skipped inputs.
TEST(InputConsumption, AppliedPurchaseWinsOverACarriedOne) {
    Ring r;
    std::vector<uint8_t> burst(12, 0);
    burst[1] = input_bits(false, false, false, false, false, ITEM_TURRET);  // number 2, skipped
    burst[4] = input_bits(false, false, false, false, false, ITEM_SHIELD);  // number 5, the first of the last 8
    r.store(12, burst);
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 5u);
    EXPECT_EQ(r.plane.buy_item, ITEM_SHIELD);
}

TEST(InputConsumption, OldNumbersChangeNothing) {
    Ring r;
    r.store(5, std::vector<uint8_t>(5, 0));
    for (int i = 0; i < 5; ++i) consume_input(r.slot, r.plane);
    ASSERT_EQ(r.slot.last_applied, 5u);
    r.store(5, std::vector<uint8_t>(5, 0xFF));
    EXPECT_EQ(r.slot.newest_received, 5u);
    for (uint32_t q = 1; q <= 5; ++q) EXPECT_EQ(r.slot.inputs[q].buy_item, ITEM_NONE);
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 5u);
    EXPECT_FALSE(r.plane.fire);
}

// A client whose inputs stopped arriving for more than 64 ticks sends only
// numbers beyond the ring's reach. The window moves up to them instead of
// ignoring that client forever.
TEST(InputConsumption, ClientFarAheadIsCaughtUpWith) {
    Ring r;
    r.store(1, {0});
    consume_input(r.slot, r.plane);
    r.now += 199;  // the inputs of 199 ticks were lost
    r.store(200, std::vector<uint8_t>(16, input_bits(false, true, false, false, false)));
    EXPECT_EQ(r.slot.newest_received, 200u);
    consume_input(r.slot, r.plane);
    EXPECT_EQ(r.slot.last_applied, 193u);
    EXPECT_TRUE(r.plane.turn_right);
}

// The ring holds 64 inputs: one 64 beyond the last applied is kept where it
// is; one 65 beyond moves the window up by one.
TEST(InputConsumption, TheRingReachesSixtyFourBeyondTheLastApplied) {
    Ring r;
    r.now = 100;  // long enough for the client to have counted that far
    r.store(64, std::vector<uint8_t>(16, input_bits(false, false, true, false, false)));
    EXPECT_EQ(r.slot.last_applied, 0u);
    EXPECT_EQ(r.slot.newest_received, 64u);
    r.store(65, {input_bits(true, false, false, false, false)});
    EXPECT_EQ(r.slot.last_applied, 1u);
    EXPECT_EQ(r.slot.newest_received, 65u);
}

// ---- chat --------------------------------------------------------------------

struct Relay {
    Endpoint to;
    uint32_t serial;
    uint8_t sender;
    uint32_t sequence;
    std::string text;
};

std::vector<Relay> relays(const std::vector<Sent>& sent) {
    std::vector<Relay> out;
    for (const Sent& d : sent) {
        WireReader r = make_reader(d.bytes.data(), d.bytes.size(), HEADER_SIZE);
        ChatRelay m;
        EXPECT_EQ(d.tag(), TAG_CHAT_RELAY);
        EXPECT_EQ(decode_chat_relay(r, m), WireError::None);
        out.push_back({d.to, m.serial, m.sender, m.sequence, std::string(m.text)});
    }
    return out;
}

TEST_F(SessionTest, ChatIsRelayedTwiceToEveryoneAndResentToTheSenderOnly) {
    ASSERT_EQ(playing(ALICE), 0);
    ASSERT_EQ(playing(BOB), 1);

    testing::internal::CaptureStderr();
    chat(BOB, 1, "hello é");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "info: player 2: hello é\n");
    std::vector<Relay> r = relays(drain());
    ASSERT_EQ(r.size(), 4u);
    const Endpoint order[] = {ALICE, BOB, ALICE, BOB};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r[i].to, order[i]);
        EXPECT_EQ(r[i].serial, 1u);
        EXPECT_EQ(r[i].sender, 1);
        EXPECT_EQ(r[i].sequence, 1u);
        EXPECT_EQ(r[i].text, "hello é");
    }

    // Alice's first line gets the next serial.
    chat(ALICE, 1, "hi");
    r = relays(drain());
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].serial, 2u);

    // Bob resends his line: once, to him only, with its first serial.
    testing::internal::CaptureStderr();
    chat(BOB, 1, "hello é");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    r = relays(drain());
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].to, BOB);
    EXPECT_EQ(r[0].serial, 1u);
    EXPECT_EQ(r[0].text, "hello é");

    // A lower number is ignored; a higher one is a new line.
    chat(BOB, 3, "third");
    drain();
    chat(BOB, 2, "second");
    EXPECT_TRUE(drain().empty());
    EXPECT_EQ(s().chat_serial, 3u);
}

void collect_sent(void* context, const uint8_t* bytes, size_t length, Endpoint to) {
    static_cast<std::vector<Sent>*>(context)->push_back({to, {bytes, bytes + length}});
}

// Two copies to eight players are sixteen datagrams: more than the queue of
// eight holds, so a host with a direct sender must get every one of them.
TEST_F(SessionTest, DirectSenderGetsBothCopiesOfAChatLineForEightPlayers) {
    std::vector<Sent> sent;
    s().send_now = collect_sent;
    s().send_context = &sent;
    for (int i = 0; i < MAX_PLANES; ++i) {
        join(player_address(i));
        inputs(player_address(i), 1, {0});
    }
    ASSERT_EQ(sent.size(), 8u);
    sent.clear();

    chat(player_address(3), 1, "all aboard");
    std::vector<Relay> r = relays(sent);
    ASSERT_EQ(r.size(), 16u);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r[i].to, player_address(i % 8));
    EXPECT_EQ(pop_outgoing(s()), nullptr);
}

TEST_F(SessionTest, ChatNumberZeroFromAFreshSlotSendsNothing) {
    ASSERT_EQ(joined(ALICE), 0);
    chat(ALICE, 0, "zero");
    EXPECT_TRUE(drain().empty());
}

// ---- ticks -------------------------------------------------------------------

TEST_F(SessionTest, SilentPlayerTimesOutAfter600Ticks) {
    ASSERT_EQ(playing(ALICE), 0);
    for (int i = 0; i < 300; ++i) server_tick(s());
    drain();
    ASSERT_EQ(playing(BOB), 1);  // joins at tick 300
    for (int i = 0; i < 300; ++i) server_tick(s());
    EXPECT_TRUE(s().slots[0].in_use);  // silent for exactly 600 ticks
    testing::internal::CaptureStderr();
    server_tick(s());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "info: player 0 timed out\ninfo: player 0 left\n");
    EXPECT_FALSE(s().slots[0].in_use);
    EXPECT_FALSE(s().world.planes[0].in_use);
    EXPECT_TRUE(s().slots[1].in_use);
    // Only valid messages keep a player: a datagram the server ignores (a
    // snapshot, another server's stream reflected at it, a message of the
    // other protocol) does not, however often it comes.
    const uint32_t bob_joined = static_cast<uint32_t>(s().tick);
    const uint8_t ignored[][4] = {{0x53, 0x4B, 20, TAG_SNAPSHOT}, {0x53, 0x4B, 21, TAG_LEAVE}, {0x53, 0x4B, 20, 99}};
    for (int i = 0; i < 300; ++i) {
        receive(s(), ignored[i % 3], sizeof ignored[0], BOB);
        if (i % 4 == 0) inputs(BOB, 1 + static_cast<uint32_t>(i) / 4, {0});
        server_tick(s());
    }
    EXPECT_TRUE(s().slots[1].in_use);  // its batches kept it
    drain();
    for (int i = 0; i < 601; ++i) {
        receive(s(), ignored[i % 3], sizeof ignored[0], BOB);
        server_tick(s());
    }
    EXPECT_FALSE(s().slots[1].in_use) << "joined at " << bob_joined;
    // A player that joins this late is heard from at its join, not at tick 0.
    drain();
    ASSERT_EQ(joined(ALICE), 0);
    testing::internal::CaptureStderr();
    server_tick(s());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(s().slots[0].in_use);
}

TEST_F(SessionTest, LeavingPlayersTurretsAndStationsVanishTheRestStaysUnowned) {
    ASSERT_EQ(joined(ALICE), 0);
    ASSERT_EQ(joined(BOB), 1);
    World& w = s().world;
    w.object_count = 6;
    const uint8_t kinds[] = {OBJECT_COLLECTOR, OBJECT_TURRET, OBJECT_STATION, OBJECT_VESSEL, OBJECT_TURRET, OBJECT_COLLECTOR};
    const uint8_t owners[] = {0, 0, 0, 0, 1, 1};
    for (int i = 0; i < 6; ++i) {
        w.objects[i] = make_collector({1000.0f + 300.0f * i, 1000.0f}, 0, w.rules);
        w.objects[i].kind = kinds[i];
        w.objects[i].owner = owners[i];
    }
    // Bob's collector was being upgraded by Alice's station.
    w.objects[5].upgrading_station = 2;
    w.objects[5].upgrade_timer = 3.0f;

    leave(ALICE);
    EXPECT_FALSE(w.objects[0].free);
    EXPECT_EQ(w.objects[0].owner, NONE);
    EXPECT_TRUE(w.objects[1].free);
    EXPECT_TRUE(w.objects[2].free);
    EXPECT_FALSE(w.objects[3].free);
    EXPECT_EQ(w.objects[3].owner, NONE);
    EXPECT_FALSE(w.objects[4].free);
    EXPECT_EQ(w.objects[4].owner, 1);
    EXPECT_EQ(w.objects[5].owner, 1);
    EXPECT_EQ(w.objects[5].upgrading_station, NONE);
    EXPECT_EQ(w.objects[5].upgrade_timer, 0.0f);
    EXPECT_EQ(w.object_count, 6u);
}

// The log names the slot that won, from the tick's round-won event.
TEST_F(SessionTest, AWinIsLoggedWithTheWinnersSlot) {
    for (int i = 0; i < 4; ++i) ASSERT_EQ(playing(player_address(i)), i);
    World& w = s().world;
    const int v = test_worlds::add_object(w, test_worlds::vessel_at({2000, 1000}, 0.0f, 3));
    Plane& p = w.planes[3];
    p.pos = {2000, 1000};
    p.resources[0] = p.resources[1] = p.resources[2] = w.rules.win_amount;
    p.boarding_vessel = static_cast<uint8_t>(v);
    p.boarding_timer = w.rules.boarding_time - TICK * 0.5f;
    testing::internal::CaptureStderr();
    server_tick(s());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "info: player 3 won\n");
    EXPECT_EQ(w.winner, 3);
}

TEST_F(SessionTest, SnapshotsGoOutOnEvenTicksWithEachSlotsAcknowledgement) {
    ASSERT_EQ(joined(ALICE), 0);
    ASSERT_EQ(joined(BOB), 1);
    inputs(ALICE, 3, {0, 0, 0});
    inputs(BOB, 1, {0});
    server_tick(s());
    EXPECT_TRUE(drain().empty());  // tick 1
    server_tick(s());
    std::vector<Sent> sent = drain();
    ASSERT_EQ(sent.size(), 2u);
    const Endpoint to[] = {ALICE, BOB};
    const uint32_t acks[] = {2, 1};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(sent[i].to, to[i]);
        ASSERT_EQ(sent[i].tag(), TAG_SNAPSHOT);
        WireReader r = make_reader(sent[i].bytes.data(), sent[i].bytes.size(), HEADER_SIZE);
        World image;
        SnapshotInfo info;
        ASSERT_EQ(decode_snapshot(r, SnapshotGate{0, 100}, image, info), WireError::None);
        EXPECT_EQ(info.tick, 2u);
        EXPECT_EQ(info.acknowledged_input, acks[i]);
        EXPECT_TRUE(image.planes[0].in_use);
        EXPECT_TRUE(image.planes[1].in_use);
        EXPECT_FALSE(image.planes[2].in_use);
    }
    server_tick(s());
    EXPECT_TRUE(drain().empty());
    server_tick(s());
    EXPECT_EQ(drain().size(), 2u);
}

// A forged JoinRequest earns its sender one Welcome: no snapshot and no chat
// until a valid InputBatch comes from the slot, and a slot that sends none
// within 2 s of its Welcome is freed.
TEST_F(SessionTest, ASlotGetsNothingUntilItsFirstInputAndIsFreedWithoutOne) {
    ASSERT_EQ(joined(ALICE), 0);
    ASSERT_EQ(playing(BOB), 1);
    // A batch without inputs does not count.
    const uint8_t empty_batch[] = {0x53, 0x4B, 20, TAG_INPUT_BATCH, 1, 0, 0, 0, 1};
    receive(s(), empty_batch, sizeof empty_batch, ALICE);
    chat(BOB, 1, "anyone?");
    server_tick(s());
    server_tick(s());
    std::vector<Sent> sent = drain();
    ASSERT_EQ(sent.size(), 3u);
    for (const Sent& d : sent) EXPECT_EQ(d.to, BOB);
    EXPECT_EQ(sent[2].tag(), TAG_SNAPSHOT);

    // Asking again gets the Welcome again but no more time.
    for (int i = 2; i < 200; ++i) server_tick(s());
    drain();
    join(ALICE);
    sent = drain();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].tag(), TAG_WELCOME);
    for (int i = 200; i < 240; ++i) server_tick(s());
    EXPECT_TRUE(s().slots[0].in_use);
    testing::internal::CaptureStderr();
    server_tick(s());
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "info: player 0 timed out\ninfo: player 0 left\n");
    EXPECT_FALSE(s().slots[0].in_use);
    EXPECT_TRUE(s().slots[1].in_use);
    drain();

    // One input is enough to stay.
    ASSERT_EQ(joined(ALICE), 0);
    inputs(ALICE, 1, {0});
    for (int i = 0; i < 400; ++i) server_tick(s());
    EXPECT_TRUE(s().slots[0].in_use);
}

TEST_F(SessionTest, FullQueueKeepsTheOldestDatagrams) {
    for (int i = 0; i < 8; ++i) ASSERT_EQ(playing(player_address(i)), i);
    join(player_address(0));  // two more Welcomes...
    join(player_address(1));
    server_tick(s());
    server_tick(s());  // ...and eight snapshots that find six places
    std::vector<Sent> sent = drain();
    ASSERT_EQ(sent.size(), 8u);
    EXPECT_EQ(sent[0].tag(), TAG_WELCOME);
    EXPECT_EQ(sent[1].tag(), TAG_WELCOME);
    for (int i = 2; i < 8; ++i) {
        EXPECT_EQ(sent[i].tag(), TAG_SNAPSHOT);
        EXPECT_EQ(sent[i].to, player_address(i - 2));
    }
}

TEST_F(SessionTest, InputsDriveThePlaneThroughTheStep) {
    ASSERT_EQ(joined(ALICE), 0);
    const float start = s().world.planes[0].angle;
    inputs(ALICE, 1, {input_bits(false, true, false, false, false)});
    server_tick(s());
    EXPECT_NE(s().world.planes[0].angle, start);
    EXPECT_TRUE(s().world.planes[0].turn_right);
    // No new input: the flags repeat and the plane keeps turning.
    const float after_one = s().world.planes[0].angle;
    server_tick(s());
    EXPECT_NE(s().world.planes[0].angle, after_one);
}

}  // namespace
