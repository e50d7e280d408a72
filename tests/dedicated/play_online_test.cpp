// The real skorvia-server against real clients over UDP on loopback.
#include <signal.h>

#include <gtest/gtest.h>

#include <string>

#include "net/status_query.h"
#include "support/server_process.h"
#include "support/test_client.h"

namespace {

Endpoint loopback(uint16_t port) { return make_endpoint(127, 0, 0, 1, port); }

bool received_line(const TestClient& c, const std::string& text) {
    for (int i = 0; i < c.session.received_count; ++i) {
        if (std::string(c.session.received[i].text, c.session.received[i].length) == text) return true;
    }
    return false;
}

StatusReply status_of(uint16_t port) {
    StatusReply reply;
    EXPECT_TRUE(fetch_status(loopback(port), reply));
    return reply;
}

// Turning left on every third input, thrust on odd ones: a pattern whose
// flags say which input the server applied.
InputByte numbered_input(uint32_t number) {
    InputByte in;
    in.turn_left = number % 3 == 0;
    in.thrust = number % 2 == 1;
    return in;
}

uint8_t flags_of(const InputByte& in) {
    return static_cast<uint8_t>(in.turn_left | in.turn_right << 1 | in.thrust << 2 | in.fire << 3 | in.hook_key << 4);
}

class PlayOnline : public ::testing::Test {
protected:
    ServerProcess server;
    void SetUp() override { ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--layout", "fixed", "--seed", "5", "--protocol-20"})) << server_log(server); }
    void TearDown() override {
        if (server.pid >= 0) {
            EXPECT_EQ(stop_server_process(server, SIGTERM), 0) << server_log(server);
        }
    }
};

// Generous limits for what a server does "at once": they only bound a wait
// that ends as soon as the thing happens, so a loaded machine costs time,
// never a failure.
constexpr int LOG_WAIT_MS = 5000;

TEST_F(PlayOnline, StartsListeningAndStopsCleanly) {
    // The seed line follows the listening line; it may not be written yet.
    ASSERT_TRUE(wait_for_log(server, "info: layout fixed, seed 5\n", LOG_WAIT_MS)) << server_log(server);
    const std::string log = server_log(server);
    EXPECT_EQ(log.find("info: listening on 0.0.0.0:" + std::to_string(server.port) + "\n"), 0u) << log;

    // A second server on the same port gives up with a clear line.
    ServerProcess second;
    EXPECT_FALSE(start_server_process(second, SKORVIA_SERVER_BINARY, {"--port", std::to_string(server.port)}));
    EXPECT_NE(server_log(second).find("error: port " + std::to_string(server.port) + " is already in use"), std::string::npos)
        << server_log(second);

    EXPECT_EQ(stop_server_process(server, SIGINT), 0);
    EXPECT_NE(server_log(server).find("info: stopping on SIGINT\n"), std::string::npos) << server_log(server);
}

// Protocol 20 proves no address: a server serves it only with --protocol-20.
// Without it a v20 client is never answered, a v21 client joins through the
// cookie handshake, and the status reply tells the two apart.
TEST(Protocol20Flag, WithoutItOnlyProtocol21IsServed) {
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--seed", "4"})) << server_log(server);
    auto old_client = connect_client(loopback(server.port), PROTOCOL_VERSION);
    auto new_client = connect_client(loopback(server.port), PROTOCOL_VERSION_21);
    ASSERT_TRUE(old_client && new_client);
    EXPECT_TRUE(drive_until({new_client.get()}, HANG_SECONDS, no_input, [&] { return joined(*new_client); }));
    drive({old_client.get(), new_client.get()}, 2.0, no_input);
    EXPECT_FALSE(joined(*old_client));
    EXPECT_EQ(old_client->session.state, ConnectionState::Connecting);
    EXPECT_EQ(status_of(server.port).players, 1);
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0) << server_log(server);
}

TEST_F(PlayOnline, TwoPlayersJoinPlayChatAndLeave) {
    EXPECT_EQ(status_of(server.port).players, 0);
    auto a = connect_client(loopback(server.port));
    auto b = connect_client(loopback(server.port));
    ASSERT_TRUE(a && b);
    const std::vector<TestClient*> both{a.get(), b.get()};
    auto script = [&](size_t i, uint64_t) { return numbered_input(both[i]->session.next_input); };

    ASSERT_TRUE(drive_until(both, HANG_SECONDS, script, [&] { return joined(*a) && joined(*b); }));
    EXPECT_EQ(a->session.own_slot, 0u);
    EXPECT_EQ(b->session.own_slot, 1u);
    EXPECT_TRUE(wait_for_log(server, "player 1 joined from 127.0.0.1:" + std::to_string(local_port(b->link)), LOG_WAIT_MS))
        << server_log(server);

    // Play until each client has seen more than 40 snapshots (two thirds of
    // a second of a healthy server; a starved one, which drops the ticks it
    // is too late for, takes longer).
    ASSERT_TRUE(drive_until(both, HANG_SECONDS, script, [&] {
        return a->snapshots.size() > 40 && b->snapshots.size() > 40;
    })) << a->snapshots.size() << " and " << b->snapshots.size() << " snapshots";
    // Inputs are acknowledged: every input sent by now comes back as
    // applied. The server keeps real time on its own, so under load it may
    // trail the clients for a while; what counts is that it gets there.
    const uint32_t sent_a = a->session.next_input - 1, sent_b = b->session.next_input - 1;
    ASSERT_TRUE(drive_until(both, HANG_SECONDS, script, [&] {
        return a->session.acknowledged_input >= sent_a && b->session.acknowledged_input >= sent_b;
    })) << a->session.acknowledged_input << " of " << sent_a << ", " << b->session.acknowledged_input << " of " << sent_b;
    // The flags in each snapshot are those of the input it acknowledges.
    for (TestClient* c : both) {
        for (const SnapshotSeen& s : c->snapshots) {
            if (s.acknowledged > 0) {
                ASSERT_EQ(s.own_flags, flags_of(numbered_input(s.acknowledged))) << s.acknowledged;
            }
        }
    }
    // A snapshot every second server tick: even ticks, two apart.
    size_t two_apart = 0;
    for (size_t i = 1; i < a->snapshots.size(); ++i) {
        EXPECT_EQ(a->snapshots[i].server_tick % 2, 0u);
        two_apart += a->snapshots[i].server_tick - a->snapshots[i - 1].server_tick == 2;
    }
    EXPECT_GE(two_apart, (a->snapshots.size() - 1) * 95 / 100);
    EXPECT_EQ(status_of(server.port).players, 2);

    // A chat line reaches both clients twice and is shown once. (Should the
    // relay take longer than the client's retry, the sender asks again and
    // gets one more copy, for itself only.)
    queue_chat_line(a->session, a->link, "hello from slot one");
    ASSERT_TRUE(drive_until(both, HANG_SECONDS, script, [&] {
        return received_line(*a, "hello from slot one") && b->datagrams_by_tag[TAG_CHAT_RELAY] == 2;
    }));
    drive(both, 0.1, script);
    EXPECT_GE(a->datagrams_by_tag[TAG_CHAT_RELAY], 2u);
    EXPECT_EQ(b->datagrams_by_tag[TAG_CHAT_RELAY], 2u);
    for (TestClient* c : both) {
        EXPECT_EQ(c->session.received_count, 1);
        EXPECT_TRUE(received_line(*c, "hello from slot one"));
    }
    EXPECT_EQ(a->session.pending_count, 0);
    EXPECT_TRUE(wait_for_log(server, "player 1: hello from slot one", LOG_WAIT_MS)) << server_log(server);

    // B leaves: the server says so, A sees the plane go, the status counts one.
    close(b->link, true);
    ASSERT_TRUE(drive_until({a.get()}, HANG_SECONDS, script, [&] { return (a->session.left_mask & 2) != 0; }));
    EXPECT_TRUE(wait_for_log(server, "player 1 left", LOG_WAIT_MS)) << server_log(server);
    EXPECT_EQ(status_of(server.port).players, 1);
    EXPECT_EQ(a->left_joined, 0u);
}

TEST_F(PlayOnline, TheNinthPlayerIsRefusedUntilASlotFrees) {
    std::vector<std::unique_ptr<TestClient>> owned;
    std::vector<TestClient*> clients;
    for (int i = 0; i < 9; ++i) {
        owned.push_back(connect_client(loopback(server.port)));
        ASSERT_TRUE(owned.back());
        clients.push_back(owned.back().get());
    }
    // The first eight join in turn, then the ninth asks.
    std::vector<TestClient*> first_eight(clients.begin(), clients.begin() + 8);
    ASSERT_TRUE(drive_until(first_eight, 10.0, no_input, [&] {
        for (TestClient* c : first_eight) {
            if (!joined(*c)) return false;
        }
        return true;
    }));
    TestClient& ninth = *clients[8];
    ASSERT_TRUE(drive_until(clients, 5.0, no_input, [&] { return ninth.session.state == ConnectionState::Full; }));
    EXPECT_GE(ninth.datagrams_by_tag[TAG_SERVER_FULL], 1u);
    EXPECT_EQ(status_of(server.port).players, 8);

    // Slot 3 leaves; the ninth's next request gets it.
    const uint64_t third = clients[3]->session.own_slot;
    close(clients[3]->link, true);
    clients[3] = nullptr;
    ASSERT_TRUE(drive_until(clients, 5.0, no_input, [&] { return joined(ninth); }));
    EXPECT_EQ(ninth.session.own_slot, third);
    EXPECT_EQ(status_of(server.port).players, 8);
}

// `--bots 3`: an empty server stays empty; the first person who joins finds
// three bots flying with it, and they go when the person does.
TEST(PlayOnlineWithBots, BotsFillTheServerForAPersonWhoJoins) {
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--bots", "3", "--seed", "9", "--protocol-20"})) << server_log(server);
    ASSERT_TRUE(wait_for_log(server, "info: bots fill up to 3 planes, skill normal, while a person plays\n", LOG_WAIT_MS))
        << server_log(server);
    EXPECT_EQ(status_of(server.port).bots, 0);

    std::unique_ptr<TestClient> person = connect_client(loopback(server.port));
    ASSERT_TRUE(person);
    std::vector<TestClient*> clients{person.get()};
    auto planes = [&] {
        int n = 0;
        for (const Plane& p : person->session.world.planes) n += p.in_use;
        return n;
    };
    ASSERT_TRUE(drive_until(clients, 10.0, no_input, [&] { return joined(*person) && planes() == 3; }));
    EXPECT_EQ(person->session.own_slot, 0u);
    ASSERT_TRUE(wait_for_log(server, "info: Bot 3 joined (normal)\n", LOG_WAIT_MS)) << server_log(server);
    const StatusReply status = status_of(server.port);
    EXPECT_EQ(status.players, 1);
    EXPECT_EQ(status.bots, 2);

    // The bots fly: their planes leave their spawn points.
    const Vec2 start = person->session.world.planes[1].pos;
    drive(clients, 2.0, no_input);
    const Vec2 now = person->session.world.planes[1].pos;
    EXPECT_TRUE(now.x != start.x || now.y != start.y);

    close(person->link, true);
    ASSERT_TRUE(wait_for_log(server, "info: Bot 2 left\n", LOG_WAIT_MS)) << server_log(server);
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0) << server_log(server);
}

}  // namespace
