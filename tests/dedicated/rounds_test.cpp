#include "dedicated/rounds.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "net/messages.h"
#include "server/server_session.h"
#include "support/server_thread.h"
#include "world/random_map.h"

namespace {

void quiet(LogLevel, std::string_view) {}

bool same_bodies(const World& a, const World& b) {
    if (a.body_count != b.body_count) return false;
    for (uint64_t i = 0; i < a.body_count; ++i) {
        if (std::memcmp(&a.bodies[i], &b.bodies[i], sizeof a.bodies[i]) != 0) return false;
    }
    return true;
}

TEST(Rounds, AFinishedRoundStartsOverOnTheNextMapWithThePlayersKept) {
    World first;
    make_round_world(first, MapLayout::Random, 41);
    ServerSession* s = create_session(first);
    ASSERT_NE(s, nullptr);
    s->log_sink = quiet;
    const uint8_t join[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
    receive(*s, join, sizeof join, make_endpoint(127, 0, 0, 1, 5000));
    receive(*s, join, sizeof join, make_endpoint(127, 0, 0, 1, 5002));
    ASSERT_TRUE(s->slots[0].in_use && s->slots[1].in_use);
    s->world.planes[1].resources[0] = 40;
    s->world.rules.shot_damage = 7;  // a server's rules outlive the round

    EXPECT_FALSE(round_finished(s->world));
    s->world.winner = 1;
    s->world.round_over_timer = 0.5f;
    EXPECT_FALSE(round_finished(s->world));
    s->world.round_over_timer = 0.0f;
    ASSERT_TRUE(round_finished(s->world));

    start_next_round(*s, MapLayout::Random, 42);
    World expected;
    make_round_world(expected, MapLayout::Random, 42);
    EXPECT_TRUE(same_bodies(s->world, expected));
    EXPECT_FALSE(same_bodies(s->world, first));
    EXPECT_EQ(s->world.winner, NONE);
    EXPECT_FALSE(round_finished(s->world));
    EXPECT_EQ(s->world.rules.shot_damage, 7);
    for (int i = 0; i < MAX_PLANES; ++i) EXPECT_EQ(s->world.planes[i].in_use, i < 2) << i;
    EXPECT_EQ(s->world.planes[1].resources[0], 0u);
    EXPECT_TRUE(s->slots[0].in_use && s->slots[1].in_use);
    destroy_session(s);
}

TEST(Rounds, TheFixedLayoutHasNoBodies) {
    World w;
    make_round_world(w, MapLayout::Fixed, 99);
    EXPECT_EQ(w.body_count, 0u);
    EXPECT_EQ(w.object_count, 1u);
    make_round_world(w, MapLayout::Random, 99);
    EXPECT_EQ(w.body_count, 4u);
}

// Filled in by the server's thread; the counts are read while it runs.
struct RoundWatch {
    std::atomic<int> ticks{0};
    std::atomic<int> new_rounds{0};
    bool won = true;
    World last;
};

void watch_rounds(void* context, const ServerSession& s) {
    RoundWatch& r = *static_cast<RoundWatch*>(context);
    const bool won = s.world.winner != NONE;
    if (r.won && !won) ++r.new_rounds;
    r.won = won;
    r.last = s.world;
    ++r.ticks;
}

TEST(Rounds, TheRunningServerMovesOnOnceTheCountdownEnds) {
    ServerThread host;
    ServerOptions options;
    options.port = 0;
    options.protocol_20 = true;
    options.seed_given = true;
    options.seed = 41;
    // Rules from the command line hold in every round.
    options.win_amount_given = options.vessel_cost_given = true;
    options.win_amount = 3;
    options.vessel_cost = 7;
    ASSERT_TRUE(open_server_thread(host, options));
    EXPECT_EQ(host.server->session->world.rules.win_amount, 3u);
    // A round won a moment ago, its countdown nearly over (6 ticks).
    host.server->session->world.winner = 0;
    host.server->session->world.round_over_timer = 0.05f;
    RoundWatch watch;
    host.server->after_tick = watch_rounds;
    host.server->after_tick_context = &watch;
    run_server_thread(host);
    // Some ticks past the new round, to see that only one started.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((watch.new_rounds == 0 || watch.ticks < 30) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    stop_server_thread(host);

    EXPECT_GE(watch.ticks, 30);
    EXPECT_EQ(watch.new_rounds, 1);
    EXPECT_EQ(host.server->seed, 42u);
    World expected;
    make_round_world(expected, MapLayout::Random, 42);
    EXPECT_TRUE(same_bodies(watch.last, expected));
    EXPECT_EQ(watch.last.rules.win_amount, 3u);
    EXPECT_EQ(watch.last.rules.exit_vessel_cost, 7u);
}

}  // namespace
