// The client session's handling of the server's messages: joining, snapshots
// with their reconciliation and smoothing, and the inputs it sends.
#include "client/client_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

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
    // One datagram in a frame of its own.
    void deliver(const uint8_t* bytes, size_t length) {
        handle_datagram(c, bytes, length);
        adopt_snapshot(c);
    }

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

// At most eight relayed lines wait to be shown: a ninth drops the oldest.
TEST_F(ClientSessionTest, KeepsTheEightNewestReceivedLines) {
    welcome(0);
    for (uint32_t i = 1; i <= 9; ++i) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        const std::string text = "line " + std::to_string(i);
        encode_chat_relay(w, i, 3, i, text);
        deliver(buffer, w.length);
    }
    ASSERT_EQ(c.received_count, 8);
    EXPECT_EQ(std::string(c.received[0].text, c.received[0].length), "line 2");
    EXPECT_EQ(std::string(c.received[7].text, c.received[7].length), "line 9");
}

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
    snapshot(world_with_plane({500, 100}), 14, 1);  // newer, but acknowledges less
    EXPECT_EQ(c.snapshots_accepted, 3u);
    EXPECT_EQ(c.acknowledged_input, 3u) << "the largest acknowledgement of any accepted snapshot";
}

// The replay reaches back at most the 240 inputs of the history: with 250
// unacknowledged it steps the snapshot's world 240 times, as a dead plane's
// countdown (TICK per step) shows.
TEST_F(ClientSessionTest, ReplayReachesBackAtMostTheInputHistory) {
    welcome(0);
    World dead = world_with_plane({100, 100});
    dead.planes[0].dead = true;
    dead.planes[0].respawn_timer = 100;
    snapshot(dead, 2, 0);
    for (int i = 0; i < 250; ++i) tick();
    ASSERT_EQ(c.next_input, 251u);
    snapshot(dead, 4, 0);
    EXPECT_NEAR(c.world.planes[0].respawn_timer, 100.0f - 240 * TICK, 1e-3f);
}

// Server ticks are serial numbers: a snapshot is taken when its tick is ahead
// of the last one by less than half the 32-bit range, the first one of a
// session at any tick. Duplicated, reordered, late and forged ticks are
// refused without locking the client out of the real ones that follow.
TEST_F(ClientSessionTest, SnapshotTicksCompareAsSerialNumbers) {
    struct Step {
        uint32_t tick;
        bool taken;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"a forged tick 0xFFFFFFFF", {{10, true}, {0xFFFFFFFFu, false}, {12, true}, {14, true}}},
        {"duplicated, lost, reordered and late",
         {{10, true}, {10, false}, {14, true}, {12, false}, {4, false}, {16, true}}},
        {"across the counter's wrap",
         {{0xFFFFFFFCu, true}, {0xFFFFFFFEu, true}, {0, true}, {0xFFFFFFFEu, false}, {4, true}, {2, false}}},
        {"a server past half its counter's range",
         {{0x90000000u, true}, {0x90000002u, true}, {0x10000002u, false}, {0x90000004u, true}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        reset_client_session(c);
        welcome(0);
        float x = 100;
        float shown = 0;
        for (const Step& step : k.steps) {
            SCOPED_TRACE(testing::Message() << "tick " << step.tick);
            x += 10;
            snapshot(world_with_plane({x, 100}), step.tick, 0);
            if (step.taken) {
                shown = x;
                EXPECT_EQ(c.last_snapshot_tick, step.tick);
            }
            EXPECT_EQ(c.world.planes[0].pos.x, shown);
        }
    }
}

// A server that restarted counts its ticks from the start again: after the
// silence reset the client takes its snapshots, however far back they are.
TEST_F(ClientSessionTest, AfterTheSilenceResetAnyTickIsTakenAgain) {
    welcome(0);
    snapshot(world_with_plane({100, 100}), 50000, 0);
    testing::internal::CaptureStderr();
    for (uint64_t i = 0; i <= SERVER_SILENCE; ++i) tick();
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(c.state, ConnectionState::Connecting);
    welcome(1);
    snapshot(world_with_plane({200, 100}), 2, 0);
    EXPECT_EQ(c.last_snapshot_tick, 2u);
    EXPECT_EQ(c.world.planes[0].pos, (Vec2{200, 100}));
}

// A frame that receives a flood of snapshots takes every one that is newer
// (the announcements see each of them) but replaces its world and replays
// its inputs only once, on the newest. Duplicated, reordered, late, forged
// and broken datagrams among them change nothing.
TEST_F(ClientSessionTest, AFrameOfManySnapshotsReplaysOnlyOnTheNewest) {
    ServerSession* server = create_session(World{});
    ASSERT_NE(server, nullptr);
    open_in_process(link, server);
    welcome(0);
    snapshot(world_with_plane({2000, 2000}), 10, 0);
    const InputByte inputs[6] = {{false, false, true, false, false, 0}, {true, false, true, false, false, 0},
                                 {true, false, true, true, false, 0},   {false, false, false, true, false, 0},
                                 {false, true, true, false, false, 0},  {false, true, false, false, false, 0}};
    for (const InputByte& in : inputs) tick(in);
    ASSERT_EQ(c.next_input, 7u);
    while (pop_outgoing(*server)) {
    }

    auto with_plane = [](World w, uint8_t slot, bool dead) {
        w.planes[slot] = w.planes[0];
        w.planes[slot].slot = slot;
        w.planes[slot].pos = {500.0f + 100.0f * slot, 700};
        w.planes[slot].dead = dead;
        if (dead) w.planes[slot].killer = KILL_SUN;
        return w;
    };
    const World base = world_with_plane({2004, 1996});
    const World at12 = with_plane(with_plane(base, 3, false), 5, false);  // players 4 and 6 join
    const World at14 = with_plane(base, 5, true);                         // 4 leaves, 6 is destroyed
    World at16 = with_plane(world_with_plane({2010, 1990}), 5, false);    // 6 is back
    at16.planes[0].vel = {30, -12};
    at16.planes[0].angle = 0.7f;

    struct Sent {
        const World* world;
        uint32_t tick, ack;
        size_t cut;  // bytes missing at the end
    };
    const World forged = world_with_plane({9000, 5000});
    const Sent frame[8] = {
        {&at12, 12, 1, 0},
        {&forged, 12, 1, 0},           // the same tick again, other contents
        {&forged, 11, 1, 0},           // late
        {&forged, 0xFFFFFFFFu, 0, 0},  // forged far ahead
        {&at14, 14, 2, 0},
        {&forged, 100, 3, 10},         // broken: its end is missing
        {&at16, 16, 3, 0},             // the newest
        {&forged, 15, 3, 0},           // reordered behind it
    };
    for (const Sent& d : frame) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer);
        encode_snapshot(w, *d.world, d.tick, d.ack);
        ASSERT_TRUE(push_outgoing(server->outgoing, IN_PROCESS_CLIENT, buffer, w.length - d.cut));
    }
    const uint64_t accepted = c.snapshots_accepted;
    const uint64_t adopted = c.snapshots_adopted;
    receive_from_server(c, link);

    EXPECT_EQ(c.snapshots_accepted, accepted + 3);
    EXPECT_EQ(c.snapshots_adopted, adopted + 1);
    EXPECT_EQ(c.last_snapshot_tick, 16u);
    EXPECT_EQ(c.acknowledged_input, 3u);
    EXPECT_EQ(c.joined_mask, (1 << 3) | (1 << 5));
    EXPECT_EQ(c.left_mask, 1 << 3);
    EXPECT_EQ(c.destroyed_mask, 1 << 5);

    World expected = at16;  // inputs 4..6 replayed on the newest
    for (int n = 4; n <= 6; ++n) {
        set_plane_input(expected.planes[0], inputs[n - 1]);
        step_world(expected);
    }
    EXPECT_EQ(c.world.planes[0].pos, expected.planes[0].pos);
    EXPECT_EQ(c.world.planes[0].vel, expected.planes[0].vel);
    EXPECT_EQ(c.world.planes[0].angle, expected.planes[0].angle);
    EXPECT_FALSE(c.world.planes[3].in_use);
    EXPECT_FALSE(c.world.planes[5].dead);
    EXPECT_FALSE(adopt_snapshot(c));  // nothing waits any more
    close(link, false);
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

    c.joined_mask = c.left_mask = c.destroyed_mask = 0;  // announced
    snapshot(w, 8, 0);
    EXPECT_EQ(c.joined_mask, 0) << "still present: not joined again";
    EXPECT_EQ(c.left_mask, 0);
    EXPECT_EQ(c.destroyed_mask, 0) << "still dead: not destroyed again";
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
