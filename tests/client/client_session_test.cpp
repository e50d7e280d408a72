// The client session's handling of the server's messages: joining, snapshots
// with their reconciliation and smoothing, and the inputs it sends.
#include "client/client_session.h"

#include <gtest/gtest.h>

#include <cmath>

#include "client/session.h"
#include "net/snapshot.h"
#include "server/server_session.h"
#include "world/step.h"

namespace {

// A world with the own plane (slot 0) at rest at `pos` and nothing else.
World world_with_plane(Vec2 pos) {
    World w;
    Plane& p = w.planes[0];
    p.in_use = true;
    p.pos = pos;
    p.angle = 4.712389f;
    p.health = w.rules.plane_health;
    p.boarding_vessel = NONE;
    return w;
}

class ClientSessionTest : public ::testing::Test {
protected:
    void deliver(const uint8_t* bytes, size_t length) { handle_datagram(c, bytes, length); }

    void welcome(uint8_t slot) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        encode_welcome(w, slot);
        deliver(buffer, w.length);
    }
    void server_full() {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        encode_server_full(w);
        deliver(buffer, w.length);
    }
    void snapshot(const World& world, uint32_t tick, uint32_t ack) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        encode_snapshot(w, world, tick, ack);
        deliver(buffer, w.length);
    }
    // A tick of the client with a closed link: nothing is sent anywhere.
    void tick(const InputByte& in = {}) { advance_client(c, link, in); }

    ClientSession c;
    ServerLink link;
};

TEST_F(ClientSessionTest, WelcomeAndServerFullMoveTheConnectionStateOnlyWhereTheyMay) {
    server_full();
    EXPECT_EQ(c.state, ConnectionState::Full);
    server_full();
    EXPECT_EQ(c.state, ConnectionState::Full);
    welcome(3);
    EXPECT_EQ(c.state, ConnectionState::Joined);
    EXPECT_EQ(c.own_slot, 3u);
    welcome(5);  // a repeated Welcome changes nothing
    server_full();
    EXPECT_EQ(c.state, ConnectionState::Joined);
    EXPECT_EQ(c.own_slot, 3u);

    ClientSession fresh;
    uint8_t bad[5] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_WELCOME, 8};
    handle_datagram(fresh, bad, sizeof bad);
    EXPECT_EQ(fresh.state, ConnectionState::Connecting);
}

TEST_F(ClientSessionTest, SnapshotsAreOnlyTakenWhileJoined) {
    snapshot(world_with_plane({100, 100}), 2, 0);
    EXPECT_FALSE(c.world.planes[0].in_use);
    EXPECT_EQ(c.snapshots_accepted, 0u);
}

// Corrections shorter than 64 units are shown where the plane was and glide
// to the new place; longer ones snap; the wrap seam gives the short way.
TEST_F(ClientSessionTest, CorrectionsGlideBelowSixtyFourUnitsAndSnapAbove) {
    struct Case {
        Vec2 before, after, offset;
    };
    const Case cases[] = {
        {{1000, 1000}, {1010, 1000}, {-10, 0}},
        {{1000, 1000}, {1000, 1063.5f}, {0, -63.5f}},
        {{1000, 1000}, {1064, 1000}, {0, 0}},
        {{1000, 1000}, {1045.3f, 1045.3f}, {0, 0}},  // 64.06 long in all
        {{9599, 500}, {1, 500}, {-2, 0}},
        {{4800, 1}, {4800, 5399}, {0, 2}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "from (" << k.before.x << ", " << k.before.y << ") to (" << k.after.x
                                        << ", " << k.after.y << ")");
        reset_client_session(c);
        welcome(0);
        snapshot(world_with_plane(k.before), 2, 0);
        const Vec2 shown = displayed_position(c, 0);
        snapshot(world_with_plane(k.after), 4, 0);
        EXPECT_EQ(c.world.planes[0].pos, k.after);
        EXPECT_NEAR(c.smoothing[0].x, k.offset.x, 1e-3f);
        EXPECT_NEAR(c.smoothing[0].y, k.offset.y, 1e-3f);
        if (k.offset.x != 0 || k.offset.y != 0) {
            EXPECT_NEAR(displayed_position(c, 0).x, shown.x, 1e-3f);
            EXPECT_NEAR(displayed_position(c, 0).y, shown.y, 1e-3f);
        }
        const Vec2 offset = c.smoothing[0];
        tick();
        EXPECT_EQ(c.smoothing[0].x, offset.x * 0.891f);
        EXPECT_EQ(c.smoothing[0].y, offset.y * 0.891f);
        tick();
        EXPECT_EQ(c.smoothing[0].x, offset.x * 0.891f * 0.891f);
    }
}

TEST_F(ClientSessionTest, DuplicatedOlderAndOverAcknowledgingSnapshotsAreIgnored) {
    welcome(0);
    snapshot(world_with_plane({100, 100}), 10, 0);
    ASSERT_EQ(c.snapshots_accepted, 1u);

    snapshot(world_with_plane({200, 100}), 10, 0);  // same tick, other contents
    snapshot(world_with_plane({300, 100}), 8, 0);   // older
    EXPECT_EQ(c.world.planes[0].pos, (Vec2{100, 100}));
    EXPECT_EQ(c.snapshots_accepted, 1u);

    for (int i = 0; i < 3; ++i) tick();
    ASSERT_EQ(c.next_input, 4u);
    snapshot(world_with_plane({400, 100}), 12, 4);  // acknowledges an input not yet made
    EXPECT_EQ(c.snapshots_accepted, 1u);
    EXPECT_EQ(c.last_snapshot_tick, 10u);
    snapshot(world_with_plane({400, 100}), 12, 3);
    EXPECT_EQ(c.snapshots_accepted, 2u);
    EXPECT_EQ(c.acknowledged_input, 3u);
    EXPECT_EQ(c.world.planes[0].pos, (Vec2{400, 100}));
}

// The snapshot's world plus the replayed inputs is exactly what the client
// had predicted, so nothing moves.
TEST_F(ClientSessionTest, ReplayOfUnacknowledgedInputsRebuildsThePrediction) {
    welcome(0);
    snapshot(world_with_plane({2000, 2000}), 2, 0);
    World server = c.world;
    const InputByte inputs[6] = {{false, false, true, false, false, 0}, {true, false, true, false, false, 0},
                                 {true, false, true, true, false, 0},   {false, false, false, true, false, 0},
                                 {false, true, true, false, false, 0},  {false, true, false, false, false, 0}};
    for (const InputByte& in : inputs) tick(in);
    const Plane predicted = c.world.planes[0];
    const uint64_t shots = c.world.shot_count;

    for (int i = 0; i < 2; ++i) {
        set_plane_input(server.planes[0], inputs[i]);
        step_world(server);
    }
    snapshot(server, 4, 2);
    EXPECT_EQ(c.acknowledged_input, 2u);
    EXPECT_EQ(c.world.planes[0].pos, predicted.pos);
    EXPECT_EQ(c.world.planes[0].vel, predicted.vel);
    EXPECT_EQ(c.world.planes[0].angle, predicted.angle);
    EXPECT_EQ(c.world.shot_count, shots);
    EXPECT_EQ(c.prediction_error[0], (Vec2{0, 0}));
    EXPECT_EQ(c.smoothing[0], (Vec2{0, 0}));
}

TEST_F(ClientSessionTest, PlayersPresentFromTheSecondSnapshotOnAreAnnounced) {
    welcome(0);
    World w = world_with_plane({100, 100});
    w.planes[4] = w.planes[0];
    w.planes[4].slot = 4;
    snapshot(w, 2, 0);
    EXPECT_EQ(c.joined_mask, 0);  // the first snapshot announces nobody

    w.planes[2] = w.planes[0];
    w.planes[2].slot = 2;
    w.planes[4].dead = true;
    w.planes[4].killer = KILL_SUN;
    snapshot(w, 4, 0);
    EXPECT_EQ(c.joined_mask, 1 << 2);
    EXPECT_EQ(c.destroyed_mask, 1 << 4);

    w.planes[2] = Plane{};
    snapshot(w, 6, 0);
    EXPECT_EQ(c.left_mask, 1 << 2);
    EXPECT_EQ(c.destroyed_mask, 1 << 4);  // still waiting for the announcement, not repeated
}

// Played against the in-process server: the purchase pressed before a frame
// of three ticks rides on the first tick's input only.
TEST(SessionFrame, BuyKeyInAFrameOfThreeTicksIsSentOnlyInTheFirst) {
    Session s;
    ASSERT_TRUE(start_tutorial(s));
    Vec2 camera{};
    testing::internal::CaptureStderr();
    for (int i = 0; i < 4; ++i) {
        float one = 1.25f * TICK;
        session_frame(s, {}, one, camera);
    }
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(s.client.state, ConnectionState::Joined);

    const uint32_t first = s.client.next_input;
    s.pending_buy = ITEM_SHIELD;
    float three = 3.25f * TICK;
    session_frame(s, {false, false, true, false, false}, three, camera);
    EXPECT_EQ(s.pending_buy, 0);
    ASSERT_EQ(s.client.next_input, first + 3);
    const PlayerSlot& slot = s.link.session->slots[0];
    for (uint32_t q = first; q < first + 3; ++q) {
        const InputRecord& r = slot.inputs[q % INPUT_RING];
        ASSERT_EQ(r.sequence, q);
        EXPECT_EQ(r.thrust, 1);
        EXPECT_EQ(r.buy_item, q == first ? ITEM_SHIELD : ITEM_NONE) << "input " << q;
    }
    leave_session(s);
}

}  // namespace
