// Map after map: the next round keeps the rules and every player in a slot,
// is sent whole to protocol 21 clients, and a practice game moves on to the
// next map; bots that join draw seeds of their own.
#include "server/rounds.h"

#include <gtest/gtest.h>

#include <memory>

#include "net/messages.h"
#include "server/bot_slots.h"
#include "server/practice.h"
#include "server/server_session.h"
#include "world/random_map.h"

namespace {

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};
using SessionPtr = std::unique_ptr<ServerSession, SessionDeleter>;

void quiet(LogLevel, std::string_view) {}

SessionPtr session_on(uint64_t seed) {
    static World w;
    make_round_world(w, true, seed);
    SessionPtr s(create_session(w));
    s->log_sink = quiet;
    return s;
}

void tick(ServerSession& s) {
    server_tick(s);
    while (pop_outgoing(s)) {
    }
}

Vec2 first_body_of_map(uint64_t seed) {
    static World w;
    generate_random_world(w, seed);
    return w.bodies[0].pos;
}

}  // namespace

TEST(Rounds, TheNextRoundKeepsTheRulesAndEveryPlayerAndIsSentWhole) {
    SessionPtr s = session_on(11);
    set_bots(*s, 2, BotSkill::Normal, true, 11);
    tick(*s);
    ASSERT_EQ(bots_in(*s), 2u);
    s->world.rules.win_amount = 7;  // the host's own rules
    s->world.planes[1].pos = {1, 1};

    start_next_round(*s, true, 12);
    EXPECT_EQ(s->world.rules.win_amount, 7u);
    EXPECT_EQ(s->world.bodies[0].pos, first_body_of_map(12));
    EXPECT_NE(first_body_of_map(12), first_body_of_map(11));
    EXPECT_TRUE(s->world.planes[0].in_use);
    EXPECT_TRUE(s->world.planes[1].in_use);
    EXPECT_NE(s->world.planes[1].pos, (Vec2{1, 1})) << "spawned afresh";
    const TickRecord& next = s->ticks.next;
    ASSERT_GT(next.edit_count, 0);
    const uint8_t edits = next.edit_count;
    EXPECT_EQ(next.edits[edits - 1].kind, EDIT_REPLACE);
    // After the replacement nothing more goes into the record: the whole
    // world that follows holds it.
    uint8_t buffer[MAX_DATAGRAM];
    WireWriter w(buffer);
    encode_join_request(w);
    receive(*s, buffer, w.length, make_endpoint(10, 0, 0, 9, 5000));
    ASSERT_EQ(people_in(*s), 1u);
    EXPECT_EQ(next.edit_count, edits);
    EXPECT_EQ(next.edits[edits - 1].kind, EDIT_REPLACE);
}

TEST(Rounds, APracticeGameMovesOnToTheNextMapAfterAWonRound) {
    SessionPtr s(create_practice_session(5, BotSkill::Easy));
    ASSERT_NE(s, nullptr);
    s->log_sink = quiet;
    practice_tick(*s);
    EXPECT_EQ(s->map_seed, 5u) << "no round finished";
    s->world.winner = 0;
    s->world.round_over_timer = 0.0f;
    practice_tick(*s);
    EXPECT_EQ(s->map_seed, 6u);
    EXPECT_EQ(s->world.bodies[0].pos, first_body_of_map(6));
}

// A bot that joins a slot another bot held before plays from a seed of its own.
TEST(Rounds, EveryBotThatJoinsDrawsASeedOfItsOwn) {
    SessionPtr s = session_on(9);
    set_bots(*s, 2, BotSkill::Normal, true, 9);
    tick(*s);
    const uint64_t first = s->bots.bots[1].seed;
    set_bots(*s, 1, BotSkill::Normal, true, 9);
    tick(*s);
    ASSERT_EQ(bots_in(*s), 1u);
    set_bots(*s, 2, BotSkill::Normal, true, 9);
    tick(*s);
    ASSERT_EQ(bots_in(*s), 2u);
    EXPECT_NE(s->bots.bots[1].seed, first);
}
