// A client plays through a relay that loses, repeats and reorders datagrams.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/server_session.h"
#include "support/server_thread.h"
#include "support/test_client.h"
#include "support/udp_relay.h"

namespace {

// What the server did on each tick for the player in slot 0.
struct TickSeen {
    uint32_t last_applied = 0;
    uint8_t flags = 0;
    int turrets = 0;
};

uint8_t flags_of(const Plane& p) {
    return static_cast<uint8_t>(p.turn_left | p.turn_right << 1 | p.thrust << 2 | p.fire << 3 | p.hook_key << 4);
}

uint8_t flags_of(const InputByte& in) {
    return static_cast<uint8_t>(in.turn_left | in.turn_right << 1 | in.thrust << 2 | in.fire << 3 | in.hook_key << 4);
}

int turrets_of(const World& w, uint8_t slot) {
    int n = 0;
    for (uint64_t i = 0; i < w.object_count && i < MAX_OBJECTS; ++i) {
        const WorldObject& o = w.objects[i];
        n += !o.free && o.kind == OBJECT_TURRET && o.owner == slot;
    }
    return n;
}

void watch(void* context, const ServerSession& s) {
    auto& seen = *static_cast<std::vector<TickSeen>*>(context);
    if (!s.slots[0].in_use) return;
    seen.push_back({s.slots[0].last_applied, flags_of(s.world.planes[0]), turrets_of(s.world, 0)});
}

// Each input's flags tell its number apart from its neighbours'.
InputByte numbered_input(uint32_t number) {
    InputByte in;
    in.turn_left = number % 3 == 0;
    in.thrust = number % 2 == 1;
    in.fire = number % 5 == 0;
    return in;
}

TEST(LossyNetwork, PlayStaysWholeThroughLossDuplicatesAndReordering) {
    ServerThread host;
    ServerOptions options;
    options.port = 0;
    options.layout = MapLayout::Fixed;
    options.seed_given = true;
    ASSERT_TRUE(open_server_thread(host, options));
    // Turrets for free, so that one purchase shows as exactly one turret.
    host.server->session->world.rules.turret_cost = 0;
    std::vector<TickSeen> ticks;
    ticks.reserve(120 * 30);
    host.server->after_tick = watch;
    host.server->after_tick_context = &ticks;
    run_server_thread(host);

    RelayFaults faults;
    faults.drop = 0.2;
    faults.duplicate = 0.1;
    faults.delay = 0.2;
    faults.max_delay_ms = 25;
    faults.seed = 20;
    UdpRelay relay(make_endpoint(127, 0, 0, 1, host.server->sockets.port), faults);
    auto client = connect_client(relay.endpoint());
    ASSERT_TRUE(client);
    TestClient& c = *client;
    const std::vector<TestClient*> clients{&c};
    uint32_t buy_number = 0;
    auto script = [&](size_t, uint64_t) {
        const uint32_t number = c.session.next_input;
        InputByte in = numbered_input(number);
        if (number == 200) {
            in.buy_item = ITEM_TURRET;
            buy_number = number;
        }
        return in;
    };
    ASSERT_TRUE(drive_until(clients, 3.0, script, [&] { return joined(c); }));
    drive(clients, 1.0, script);
    queue_chat_line(c.session, c.link, "through the storm");
    drive(clients, 5.0, script);
    stop_server_thread(host);

    // The faults did happen, both ways.
    const uint64_t passed = relay.counts().received;
    EXPECT_GT(passed, 900u);
    EXPECT_GT(relay.counts().dropped, passed * 15 / 100);
    EXPECT_GT(relay.counts().duplicated, passed * 5 / 100);
    EXPECT_GT(relay.counts().delayed, passed * 10 / 100);

    // The client never lost its place.
    EXPECT_TRUE(joined(c));
    EXPECT_EQ(c.left_joined, 0u);

    // Every input was applied, one after the other: from tick to tick the
    // server either applied the next number or repeated the previous flags
    // while it waited for it; never a jump. And each applied input's flags
    // are those the client recorded under that number.
    ASSERT_GT(ticks.size(), 120u * 5);
    for (size_t i = 1; i < ticks.size(); ++i) {
        const uint32_t step = ticks[i].last_applied - ticks[i - 1].last_applied;
        ASSERT_LE(step, 1u) << "tick " << i << ": " << ticks[i - 1].last_applied << " -> " << ticks[i].last_applied;
        if (ticks[i].last_applied > 0) {
            ASSERT_EQ(ticks[i].flags, flags_of(numbered_input(ticks[i].last_applied))) << ticks[i].last_applied;
        }
    }
    EXPECT_GT(ticks.back().last_applied, c.session.next_input - 30);

    // The purchase happened exactly once.
    ASSERT_EQ(buy_number, 200u);
    EXPECT_EQ(ticks.back().turrets, 1);
    EXPECT_EQ(turrets_of(c.session.world, static_cast<uint8_t>(c.session.own_slot)), 1);

    // The chat line came back and is shown once.
    EXPECT_EQ(c.session.pending_count, 0);
    EXPECT_EQ(c.session.received_count, 1);
    EXPECT_EQ(std::string(c.session.received[0].text, c.session.received[0].length), "through the storm");
}

}  // namespace
