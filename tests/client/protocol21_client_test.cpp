// The client's side of protocol 21, fed hand-made datagrams: which whole
// worlds it takes, how it steps its confirmed world with the server's
// inputs and edits, the hash check, and what it keeps across a silence;
// and, against a real server session, how it learns which planes are bots.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "client/announce.h"
#include "client/client_session.h"
#include "client/server_link.h"
#include "net/handshake.h"
#include "net/ticks.h"
#include "server/bot_slots.h"
#include "server/server_session.h"
#include "world/generate.h"
#include "world/random_map.h"
#include "world/step.h"
#include "world/world_hash.h"

namespace {

constexpr uint8_t THRUST_LEFT = 0x01 | 0x04;  // turn left and thrust

class Protocol21Client : public ::testing::Test {
protected:
    void SetUp() override {
        generate_world(world);
        spawn_plane(world, 0);
        spawn_plane(world, 2);
        choose_protocol(c, PROTOCOL_VERSION_21, true);
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer, PROTOCOL_VERSION_21);
        encode_welcome(w, 0);
        handle_datagram(c, buffer, w.length);
        ASSERT_EQ(c.state, ConnectionState::Joined);
    }

    void image(const World& at, uint32_t tick, uint32_t ack, uint8_t edits, uint8_t bots = 0) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer, PROTOCOL_VERSION_21);
        encode_world_image(w, at, tick, ack, {edits, bots});
        handle_datagram(c, buffer, w.length);
    }
    void send_run(const TickRun& run) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer, PROTOCOL_VERSION_21);
        encode_tick_run(w, run);
        handle_datagram(c, buffer, w.length);
    }
    // Ticks first .. first + count - 1, slot 0 turning left and thrusting.
    static TickRun run_of(uint32_t first, uint8_t count, uint32_t own_input = 0) {
        TickRun run;
        run.first_tick = first;
        run.count = count;
        run.own_input = own_input;
        for (int i = 0; i < count; ++i) run.inputs[i][0] = THRUST_LEFT;
        return run;
    }
    // The server's world after `count` such ticks from `from`.
    static World stepped(const World& from, int count) {
        static World w;
        w = from;
        for (int i = 0; i < count; ++i) {
            for (int s = 0; s < MAX_PLANES; ++s) {
                if (w.planes[s].in_use) set_plane_input(w.planes[s], unpack_input(s == 0 ? THRUST_LEFT : 0));
            }
            step_world(w);
        }
        return w;
    }

    ClientSession c;
    World world;
};

}  // namespace

// A whole world, then a run of the ticks after it: the confirmed world is
// the server's, tick by tick, and its acknowledgement moves with the run.
TEST_F(Protocol21Client, StepsTheConfirmedWorldWithTheServersInputs) {
    image(world, 100, 0, 0);
    ASSERT_TRUE(c.holds_world);
    ServerLink closed;
    for (int i = 0; i < 5; ++i) advance_client(c, closed, InputByte{});  // inputs 1..5 sent
    send_run(run_of(101, 3, 4));
    EXPECT_EQ(c.confirmed_tick, 103u);
    EXPECT_EQ(hash_world(c.confirmed), hash_world(stepped(world, 3)));
    EXPECT_EQ(c.confirmed_input, 4u);
    EXPECT_EQ(c.acknowledged_input, 4u);
    // A run acknowledging an input the client never sent (6 of 1..5) is dropped.
    send_run(run_of(104, 1, 6));
    EXPECT_EQ(c.confirmed_tick, 103u);
}

// A whole world says which of the client's inputs the server has applied in
// it: the confirmed world acknowledges them, and only the later ones are
// replayed on top of it.
TEST_F(Protocol21Client, AWholeWorldAcknowledgesTheInputsAppliedInIt) {
    ServerLink closed;
    for (int i = 0; i < 5; ++i) advance_client(c, closed, InputByte{});  // inputs 1..5 sent
    image(world, 100, 3, 0);
    ASSERT_TRUE(c.holds_world);
    EXPECT_EQ(c.confirmed_input, 3u);
    EXPECT_EQ(c.acknowledged_input, 3u);
}

// The server's hash is compared after the step of its own record; a
// mismatch freezes the world and asks for a whole one of that tick or later.
TEST_F(Protocol21Client, AHashMismatchAsksForAWorldOfThatTickOrLater) {
    image(world, 100, 0, 0);
    TickRun run = run_of(101, 2);
    run.has_hash = true;
    run.hash_record = 1;
    run.hash = hash_world(stepped(world, 2));
    send_run(run);
    EXPECT_FALSE(c.wants_world);
    EXPECT_EQ(c.confirmed_tick, 102u);

    run = run_of(103, 2);
    run.has_hash = true;
    run.hash_record = 0;
    run.hash = 12345;  // not the world's
    send_run(run);
    EXPECT_TRUE(c.wants_world);
    EXPECT_EQ(c.confirmed_tick, 103u) << "frozen after the record that differed";
    EXPECT_EQ(c.world_mismatches, 1u);

    image(world, 102, 0, 0);  // older than the mismatch: not taken
    EXPECT_TRUE(c.wants_world);
    image(world, 103, 0, 0);
    EXPECT_FALSE(c.wants_world);
    EXPECT_EQ(c.images_taken, 2u);
}

// A new round: a replacement stops the client; the whole world that follows
// is taken even at the same tick when it holds more of that tick's edits,
// and the edits it holds are not made again.
TEST_F(Protocol21Client, AReplacementWaitsForTheWholeWorldThatHoldsIt) {
    image(world, 100, 0, 0);
    TickRun run = run_of(101, 1);
    run.edits[0] = {0, EDIT_SPAWN, 3};
    run.edits[1] = {0, EDIT_REPLACE, 0};
    run.edit_count = 2;
    send_run(run);
    EXPECT_TRUE(c.blocked);
    EXPECT_EQ(c.confirmed_tick, 100u);
    EXPECT_EQ(c.confirmed_edits, 1) << "the spawn before the replacement was made";

    World next_round;
    generate_world(next_round);
    spawn_plane(next_round, 0);
    image(next_round, 100, 0, 1);  // holds no more than the client made
    EXPECT_TRUE(c.blocked);
    image(next_round, 100, 0, 2);  // holds the replacement
    EXPECT_FALSE(c.blocked);
    // The run again from tick 101: its two edits are in the world already.
    send_run(run);
    EXPECT_EQ(c.confirmed_tick, 101u);
    EXPECT_FALSE(c.confirmed.planes[3].in_use);
    EXPECT_EQ(hash_world(c.confirmed), hash_world(stepped(next_round, 1)));
}

// A client that lost its server joins again in the protocol it spoke.
TEST_F(Protocol21Client, KeepsItsProtocolAcrossASilentServer) {
    ServerLink closed;
    for (uint64_t t = 0; t <= SERVER_SILENCE + 1; ++t) advance_client(c, closed, InputByte{});
    EXPECT_EQ(c.state, ConnectionState::Connecting);
    EXPECT_EQ(c.protocol, PROTOCOL_VERSION_21);
    EXPECT_TRUE(c.protocol_fixed);
}

// Bots already flying when the client joins come named in its whole world;
// a bot that joins later comes as its own kind of edit; one that leaves
// leaves under its name. A person's plane is never taken for a bot.
TEST(Protocol21Bots, TheServerSaysWhichPlanesAreBotsAndTheClientNamesThem) {
    auto world = std::make_unique<World>();
    generate_random_world(*world, 5);
    ServerSession* server = create_session(*world);
    ASSERT_NE(server, nullptr);
    set_bots(*server, 3, BotSkill::Normal, true, 5);
    server_tick(*server);  // bots in slots 0, 1 and 2 before anyone joins
    ServerLink link;
    open_in_process(link, server);
    ClientSession c;
    choose_protocol(c, PROTOCOL_VERSION_21, true);
    NotificationList list;
    auto play = [&](int ticks) {
        for (int i = 0; i < ticks; ++i) {
            advance_client(c, link, InputByte{});
            server_tick(*server);
            receive_from_server(c, link);
            announce_players(list, c);
        }
    };
    auto texts = [&] {
        std::vector<std::string> out;
        for (int i = 0; i < list.count; ++i) out.emplace_back(list.items[i].view());
        list = NotificationList{};
        return out;
    };

    play(10);  // the person takes slot 3; the bot in slot 2 makes way for it
    ASSERT_TRUE(c.holds_world);
    ASSERT_EQ(c.own_slot, 3);
    EXPECT_EQ(c.images_taken, 1u);
    EXPECT_EQ(c.bot_mask, 0b011);
    texts();

    set_bots(*server, 4, BotSkill::Normal, true, 5);  // one more bot: slot 2
    play(4);
    EXPECT_EQ(c.images_taken, 1u) << "told by an edit, not a whole world";
    EXPECT_EQ(c.bot_mask, 0b111);
    EXPECT_EQ(texts(), std::vector<std::string>{"Bot 3 joined"});

    set_bots(*server, 3, BotSkill::Normal, true, 5);  // the highest bot leaves
    play(4);
    EXPECT_EQ(texts(), std::vector<std::string>{"Bot 3 left"});
    for (int i = 0; i < 2 && c.confirmed_tick != server->tick; ++i) play(1);  // runs go out every second tick
    ASSERT_EQ(c.confirmed_tick, server->tick);
    EXPECT_EQ(hash_world(c.confirmed), hash_world(server->world)) << "one world on both sides";
    close(link, true);
}

// The client joins through the cookie handshake: its first request is
// challenged, and it echoes the cookie at once. A Challenge that anyone can
// forge costs the client no more than one 20-byte request to the server it
// chose, changes nothing once it has joined, and does not keep it out.
TEST(Protocol21Handshake, TheClientEchoesTheCookieAndAForgedChallengeCostsOneRequest) {
    auto world = std::make_unique<World>();
    generate_world(*world);
    ServerSession* server = create_session(*world);
    ASSERT_NE(server, nullptr);
    server->log_sink = [](LogLevel, std::string_view) {};
    ServerLink link;
    open_in_process(link, server);
    ClientSession c;
    choose_protocol(c, PROTOCOL_VERSION_21, true);
    auto forge_challenge = [&](uint8_t fill) {
        JoinCookie forged;
        for (uint8_t& b : forged.bytes) b = fill;
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter w(buffer, PROTOCOL_VERSION_21);
        encode_challenge(w, forged);
        handle_datagram(c, buffer, w.length);
        return forged;
    };

    advance_client(c, link, InputByte{});  // the blank request
    EXPECT_TRUE(is_blank(c.cookie));
    const JoinCookie forged = forge_challenge(0xAB);
    EXPECT_TRUE(same_cookie(c.cookie, forged));
    EXPECT_FALSE(c.join_sent);  // one request goes at the next tick, no more
    advance_client(c, link, InputByte{});
    EXPECT_TRUE(c.join_sent);
    EXPECT_EQ(c.join_tries, 1u);
    advance_client(c, link, InputByte{});
    EXPECT_EQ(c.join_tries, 1u) << "nothing more until the retry time";

    for (int i = 0; i < 10 && c.state != ConnectionState::Joined; ++i) {
        server_tick(*server);
        receive_from_server(c, link);  // the server's own Challenge, then the Welcome
        advance_client(c, link, InputByte{});
    }
    ASSERT_EQ(c.state, ConnectionState::Joined);
    EXPECT_FALSE(same_cookie(c.cookie, forged));

    const JoinCookie kept = c.cookie;
    forge_challenge(0xCD);
    EXPECT_TRUE(same_cookie(c.cookie, kept));
    EXPECT_EQ(c.state, ConnectionState::Joined);
    close(link, true);  // an in-process link's server goes with it
}
