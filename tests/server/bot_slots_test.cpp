// Bots in a server session: how many there are as people come and go, how a
// person gets a bot's slot on a full server, what the log says, and that a
// game of bots replays from its seed.
#include "server/bot_slots.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/messages.h"
#include "server/server_session.h"
#include "world/random_map.h"

namespace {

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};
using SessionPtr = std::unique_ptr<ServerSession, SessionDeleter>;

std::vector<std::string>* log_lines = nullptr;
void keep_line(LogLevel, std::string_view line) {
    if (log_lines) log_lines->emplace_back(line);
}

SessionPtr random_session(uint64_t seed) {
    World w;
    generate_random_world(w, seed);
    SessionPtr s(create_session(w));
    s->log_sink = keep_line;
    return s;
}

Endpoint person(int i) { return make_endpoint(10, 0, 0, static_cast<uint8_t>(i + 1), 5000); }

// Sends a JoinRequest and returns the tag of the answer and the slot it names.
std::pair<uint8_t, int> join(ServerSession& s, Endpoint from) {
    uint8_t buffer[MAX_DATAGRAM];
    WireWriter w(buffer);
    encode_join_request(w);
    receive(s, buffer, w.length, from);
    const OutgoingDatagram* d = pop_outgoing(s);
    if (!d || d->length < 4) return {0, -1};
    return {d->bytes[3], d->length > 4 ? d->bytes[4] : -1};
}

void leave(ServerSession& s, Endpoint from) {
    uint8_t buffer[MAX_DATAGRAM];
    WireWriter w(buffer);
    encode_leave(w);
    receive(s, buffer, w.length, from);
}

// A tick with the queue emptied after it (the people here read nothing).
void tick(ServerSession& s) {
    server_tick(s);
    while (pop_outgoing(s)) {
    }
}

unsigned planes_in_use(const World& w) {
    unsigned n = 0;
    for (const Plane& p : w.planes) n += p.in_use;
    return n;
}

class BotSlots : public ::testing::Test {
protected:
    void SetUp() override { log_lines = &lines; }
    void TearDown() override { log_lines = nullptr; }
    std::vector<std::string> lines;
};

}  // namespace

TEST_F(BotSlots, BotsPlayOnlyWhilePeopleDoAndFillUpToTheCount) {
    SessionPtr s = random_session(5);
    set_bots(*s, 3, BotSkill::Normal, false, 5);
    tick(*s);
    EXPECT_EQ(bots_in(*s), 0u) << "no person, no bots";

    ASSERT_EQ(join(*s, person(0)).second, 0);
    tick(*s);
    EXPECT_EQ(people_in(*s), 1u);
    EXPECT_EQ(bots_in(*s), 2u);
    EXPECT_EQ(planes_in_use(s->world), 3u);
    EXPECT_TRUE(s->slots[1].bot && s->slots[2].bot);

    ASSERT_EQ(join(*s, person(1)).second, 3);  // the lowest free slot
    tick(*s);
    EXPECT_EQ(bots_in(*s), 1u) << "a bot leaves as a person comes";
    EXPECT_EQ(planes_in_use(s->world), 3u);

    leave(*s, person(0));
    leave(*s, person(1));
    tick(*s);
    EXPECT_EQ(bots_in(*s), 0u);
    EXPECT_EQ(planes_in_use(s->world), 0u);

    set_bots(*s, 3, BotSkill::Normal, true, 5);
    tick(*s);
    EXPECT_EQ(bots_in(*s), 3u) << "bots always";
}

TEST_F(BotSlots, APersonJoiningAFullServerTakesABotsSlot) {
    SessionPtr s = random_session(6);
    set_bots(*s, 8, BotSkill::Hard, false, 6);
    ASSERT_EQ(join(*s, person(0)).second, 0);
    tick(*s);
    ASSERT_EQ(bots_in(*s), 7u);
    lines.clear();

    const auto [tag, slot] = join(*s, person(1));
    EXPECT_EQ(tag, TAG_WELCOME);
    EXPECT_EQ(slot, 7) << "the bot in the highest slot makes room";
    EXPECT_FALSE(s->slots[7].bot);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Bot 8 left");
    EXPECT_EQ(lines[1], "player 7 joined from 10.0.0.2:5000");
    tick(*s);
    EXPECT_EQ(people_in(*s), 2u);
    EXPECT_EQ(bots_in(*s), 6u);
    EXPECT_EQ(planes_in_use(s->world), 8u);

    // Eight people: the ninth is turned away.
    for (int i = 2; i < 8; ++i) EXPECT_EQ(join(*s, person(i)).first, TAG_WELCOME);
    EXPECT_EQ(bots_in(*s), 0u);
    EXPECT_EQ(join(*s, person(8)).first, TAG_SERVER_FULL);
}

TEST_F(BotSlots, BotsJoinAndLeaveUnderTheirNamesAndNeverTimeOut) {
    SessionPtr s = random_session(7);
    set_bots(*s, 2, BotSkill::Easy, true, 7);
    tick(*s);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Bot 1 joined (easy)");
    EXPECT_EQ(lines[1], "Bot 2 joined (easy)");
    // Bots send no datagrams, yet they stay.
    for (uint64_t t = 0; t < PLAYER_TIMEOUT + 10; ++t) tick(*s);
    EXPECT_EQ(bots_in(*s), 2u);
    EXPECT_EQ(lines.size(), 2u);
}

// The bots' inputs go through the slot's ring like a client's: the slot's
// last applied number counts one per tick, and the plane holds the applied
// controls.
TEST_F(BotSlots, ABotsInputIsAppliedAsAClientsIs) {
    SessionPtr s = random_session(8);
    set_bots(*s, 1, BotSkill::Normal, true, 8);
    for (int t = 0; t < 240; ++t) tick(*s);
    const PlayerSlot& slot = s->slots[0];
    EXPECT_EQ(slot.last_applied, 240u);
    const InputRecord& r = slot.inputs[slot.last_applied % INPUT_RING];
    const Plane& p = s->world.planes[0];
    EXPECT_EQ(r.thrust, p.thrust);
    EXPECT_EQ(r.turn_left, p.turn_left);
    EXPECT_EQ(r.turn_right, p.turn_right);
    int moved = 0;
    for (const Plane& q : s->world.planes) moved += q.in_use && (q.vel.x != 0 || q.vel.y != 0);
    EXPECT_EQ(moved, 1);
}

namespace {

// A padding-free fold of what a game of bots changes.
uint64_t fold(const World& w) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&](const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        for (size_t i = 0; i < n; ++i) h = (h ^ b[i]) * 1099511628211ull;
    };
    for (const Plane& p : w.planes) {
        mix(&p.pos, sizeof p.pos);
        mix(&p.vel, sizeof p.vel);
        mix(&p.angle, sizeof p.angle);
        mix(&p.health, sizeof p.health);
        mix(p.resources, sizeof p.resources);
        mix(&p.sun_resource, sizeof p.sun_resource);
        mix(&p.dead, sizeof p.dead);
    }
    for (uint64_t i = 0; i < w.object_count; ++i) {
        mix(&w.objects[i].pos, sizeof(Vec2));
        mix(&w.objects[i].owner, 1);
    }
    mix(&w.shot_count, sizeof w.shot_count);
    mix(&w.winner, 1);
    return h;
}

uint64_t play_bots(uint64_t seed, int ticks) {
    SessionPtr s = random_session(seed);
    set_bots(*s, 4, BotSkill::Normal, true, seed);
    for (int t = 0; t < ticks; ++t) tick(*s);
    return fold(s->world);
}

}  // namespace

TEST_F(BotSlots, AGameOfBotsReplaysFromItsSeed) {
    const uint64_t first = play_bots(21, 120 * 90);
    EXPECT_EQ(play_bots(21, 120 * 90), first);
    EXPECT_NE(play_bots(22, 120 * 90), first);
}
