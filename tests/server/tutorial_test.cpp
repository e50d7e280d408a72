// The tutorial played from the join to the win and the restart, through the
// same datagrams the client sends. The test flies the plane with inputs
// wherever a lesson is about flying, and lends a hand where a lesson would
// need minutes of skilful towing: it sets a hooked collector into orbit, and
// parks the plane away from the planets between lessons.
#include "server/tutorial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>

#include "net/messages.h"
#include "world/forces.h"
#include "world/generate.h"
#include "world/geometry.h"

namespace {

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};

constexpr uint8_t PLAYER = 0;

InputByte keys(bool left, bool right, bool thrust, bool fire, bool hook, uint8_t buy = ITEM_NONE) {
    return {left, right, thrust, fire, hook, buy};
}
const InputByte IDLE{};
const InputByte HOOK = keys(false, false, false, false, true);

class TutorialPlay : public ::testing::Test {
protected:
    void SetUp() override {
        session.reset(create_tutorial_session());
        ASSERT_NE(session, nullptr);
    }

    ServerSession& s() { return *session; }
    World& w() { return session->world; }
    Plane& plane() { return session->world.planes[PLAYER]; }
    uint8_t step() { return tutorial_step(*session); }

    template <typename Encode>
    void send(Encode encode) {
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter writer(buffer);
        encode(writer);
        receive(s(), buffer, writer.length, IN_PROCESS_CLIENT);
    }

    void join() {
        send([](WireWriter& writer) { encode_join_request(writer); });
        const OutgoingDatagram* d = pop_outgoing(s());
        ASSERT_NE(d, nullptr);
        ASSERT_EQ(d->bytes[3], TAG_WELCOME);
        ASSERT_EQ(d->bytes[4], PLAYER);
    }

    // One client tick: the input goes out as the next numbered input, then
    // the server ticks and its datagrams are taken.
    void tick(const InputByte& in) {
        const uint8_t packed = pack_input(in);
        const uint32_t number = next_input++;
        send([&](WireWriter& writer) { encode_input_batch(writer, number, {&packed, 1}); });
        server_tick(s());
        while (pop_outgoing(s())) {
        }
    }

    // Ticks with the same input until `done` holds after a tick; returns the
    // ticks it took, or -1 after `limit` ticks.
    int tick_until(const std::function<bool()>& done, int limit, const InputByte& in = IDLE) {
        for (int i = 1; i <= limit; ++i) {
            tick(in);
            if (done()) return i;
        }
        return -1;
    }

    bool event(uint8_t kind) {
        for (uint64_t i = 0; i < w().event_count; ++i) {
            if (w().events[i].kind == kind) return true;
        }
        return false;
    }

    // Turns with the arrow keys until the plane's tail points at `target`.
    void turn_tail_to(Vec2 target) {
        for (int i = 0; i < 200; ++i) {
            Vec2 d = wrapped_delta(plane().pos, target, w().size);
            float wanted = std::atan2(-d.y, -d.x);
            float error = std::remainder(wanted - plane().angle, TWO_PI);
            if (std::fabs(error) < 0.02f) return;
            tick(error < 0 ? keys(true, false, false, false, false) : keys(false, true, false, false, false));
        }
        FAIL() << "could not turn";
    }

    // Presses the hook key (after a tick with it released); returns the
    // ticks until the hook caught something, or -1.
    int fire_hook_and_wait() {
        tick(IDLE);
        return tick_until([&] { return plane().hook_out && plane().hook_state == HOOK_ATTACHED; }, 120, HOOK);
    }

    void reel_in() {
        tick(IDLE);
        tick(HOOK);
        ASSERT_GE(tick_until([&] { return !plane().hook_out; }, 240), 0) << "hook never came back";
    }

    // The plane, at rest, with its tail 150 units from an object, catches it.
    void hook_from_close(uint8_t index) {
        const WorldObject& o = w().objects[index];
        plane().pos = wrap(o.pos + Vec2{0.0f, -150.0f}, w().size);
        plane().vel = o.vel;
        plane().angle = 1.5f * PI;  // nose up, tail down towards the object
        ASSERT_GE(fire_hook_and_wait(), 0);
        EXPECT_EQ(plane().hook_object, index);
        EXPECT_EQ(w().objects[index].owner, PLAYER);
        reel_in();
        park();
    }

    // Sets an object moving on a circular orbit `altitude` above a body.
    void put_in_orbit(uint8_t index, uint8_t body, float altitude) {
        const CelestialBody& b = w().bodies[body];
        const float dist = b.radius + altitude;
        WorldObject& o = w().objects[index];
        o.pos = wrap(b.pos + Vec2{dist, 0.0f}, w().size);
        o.vel = {0.0f, circular_speed(b, dist)};
        o.spin = 0;
    }

    // Puts the plane at rest on the point of a coarse grid furthest from
    // every body, where nothing pulls it.
    void park() {
        Vec2 best{};
        float best_clearance = -1;
        for (int i = 0; i < 24; ++i) {
            for (int j = 0; j < 12; ++j) {
                Vec2 p = {(i + 0.5f) * w().size.x / 24, (j + 0.5f) * w().size.y / 12};
                float clearance = 1e9f;
                for (uint64_t k = 0; k < w().body_count; ++k) {
                    const CelestialBody& b = w().bodies[k];
                    float reach = b.is_sun ? 2000.0f : 1200.0f;
                    clearance = std::min(clearance, length(wrapped_delta(p, b.pos, w().size)) - reach);
                }
                if (clearance > best_clearance) {
                    best_clearance = clearance;
                    best = p;
                }
            }
        }
        plane().pos = best;
        plane().vel = {0, 0};
    }

    std::unique_ptr<ServerSession, SessionDeleter> session;
    uint32_t next_input = 1;
};

TEST(Tutorial, SessionStartsEmptyWithTheTutorialRules) {
    std::unique_ptr<ServerSession, SessionDeleter> s(create_tutorial_session());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->after_tick, &tutorial_tick);
    EXPECT_EQ(s->world.object_count, 0u);
    EXPECT_EQ(s->world.body_count, 0u);
    EXPECT_EQ(s->world.rules.gather_amount, 5);
    EXPECT_EQ(s->world.rules.object_respawn_delay, 3.0f);
    EXPECT_EQ(s->world.rules.turret_cost, Rules{}.turret_cost);
    EXPECT_EQ(s->tick, 0u);
    EXPECT_EQ(tutorial_step(*s), 0);
    // Without a player the script does nothing.
    for (int i = 0; i < 10; ++i) server_tick(*s);
    EXPECT_EQ(tutorial_step(*s), 0);
}

TEST_F(TutorialPlay, FromJoinToWinAndRestart) {
    join();
    EXPECT_EQ(plane().pos, (Vec2{4800.0f, 2754.0f}));

    // Step 0, flying: left, much later right, then thrust.
    tick(keys(true, false, false, false, false));
    for (int i = 0; i < 50; ++i) tick(IDLE);
    tick(keys(false, true, false, false, false));
    EXPECT_EQ(step(), TUTORIAL_FLYING);
    EXPECT_TRUE(plane().has_radar);
    EXPECT_TRUE(plane().has_minimap);
    tick(keys(false, false, true, false, false));
    EXPECT_EQ(step(), TUTORIAL_SHOOTING);

    // Step 1, shooting: a held trigger fires every 13 ticks; the fifth shot
    // completes the step on its own tick.
    int shots = 0;
    int ticks = tick_until(
        [&] {
            shots += event(EVENT_SHOT_FIRED);
            return step() != TUTORIAL_SHOOTING;
        },
        200, keys(false, false, false, true, false));
    EXPECT_EQ(ticks, 4 * 13 + 1);
    EXPECT_EQ(shots, 5);
    ASSERT_EQ(step(), TUTORIAL_HAULING);

    // A collector and a planet, not ahead of the nose.
    ASSERT_EQ(w().object_count, 1u);
    ASSERT_EQ(w().body_count, 1u);
    const Vec2 f = {std::cos(plane().angle), std::sin(plane().angle)};
    const Vec2 to_planet = wrapped_delta(plane().pos, w().bodies[0].pos, w().size);
    EXPECT_NEAR(length(to_planet), 1650.0f, 5.0f);
    EXPECT_LE(dot(to_planet, f) / length(to_planet), 0.01f);
    EXPECT_EQ(w().bodies[0].radius, 160.0f);
    EXPECT_EQ(w().bodies[0].look, 2);
    EXPECT_EQ(w().objects[0].owner, NONE);
    EXPECT_EQ(w().objects[0].angle, wrap_angle(plane().angle));

    // Step 2, hauling: hook the collector next to the plane...
    turn_tail_to(w().objects[0].pos);
    ASSERT_GE(fire_hook_and_wait(), 0);
    EXPECT_EQ(w().objects[0].owner, PLAYER);
    reel_in();
    // ...which the test then sets into orbit for the player.
    put_in_orbit(0, 0, 150.0f);
    park();
    ASSERT_GE(tick_until([&] { return step() != TUTORIAL_HAULING; }, 1200), 0);
    EXPECT_EQ(step(), TUTORIAL_BUYING);
    EXPECT_GE(plane().resources[0], 15u);

    // Step 3, buying: a shield, bought through the input byte.
    tick(keys(false, false, false, false, false, ITEM_SHIELD));
    EXPECT_EQ(plane().shield, w().rules.shield_strength);
    ASSERT_EQ(step(), TUTORIAL_STEALING);
    ASSERT_EQ(w().object_count, 2u);
    const uint8_t stolen = s().tutorial.stolen_collector;
    EXPECT_EQ(stolen, 1);
    EXPECT_EQ(w().objects[stolen].owner, 1);  // the next slot's
    EXPECT_NEAR(length(wrapped_delta(plane().pos, w().objects[stolen].pos, w().size)), 250.0f, 20.0f);

    // Step 4, stealing: the step completes on the tick the hook attaches.
    turn_tail_to(w().objects[stolen].pos);
    tick(IDLE);
    ticks = tick_until(
        [&] {
            if (w().objects[stolen].owner != PLAYER) {
                EXPECT_EQ(step(), TUTORIAL_STEALING);
                return false;
            }
            EXPECT_TRUE(event(EVENT_CATCH));
            return true;
        },
        120, HOOK);
    ASSERT_GE(ticks, 0);
    EXPECT_EQ(step(), TUTORIAL_GATHERING);
    reel_in();

    // Two more planets, each with a collector half-way from the first.
    ASSERT_EQ(w().body_count, 3u);
    ASSERT_EQ(w().object_count, 4u);
    for (int b = 1; b <= 2; ++b) {
        EXPECT_NEAR(length(wrapped_delta(w().bodies[0].pos, w().bodies[b].pos, w().size)), 2500.0f, 2.0f);
        EXPECT_EQ(w().bodies[b].resource, b);
        EXPECT_NEAR(length(wrapped_delta(w().bodies[0].pos, w().objects[b + 1].pos, w().size)), 1250.0f, 30.0f);
        EXPECT_EQ(w().objects[b + 1].owner, NONE);
    }

    // Step 5, all three resources: the stolen collector circles planet 1, the
    // collector placed by planet 2 is caught and set circling it.
    put_in_orbit(stolen, 1, 150.0f);
    hook_from_close(3);
    put_in_orbit(3, 2, 150.0f);
    park();
    ASSERT_GE(tick_until([&] { return step() != TUTORIAL_GATHERING; }, 2400), 0);
    EXPECT_EQ(step(), TUTORIAL_UPGRADING);

    // Step 6, upgrading: buy a station, bring a collector of the player's
    // into its sphere and wait out the upgrade.
    hook_from_close(2);
    const uint64_t objects_before = w().object_count;
    tick(keys(false, false, false, false, false, ITEM_UPGRADE_STATION));
    ASSERT_EQ(w().object_count, objects_before + 1);
    const WorldObject& station = w().objects[objects_before];
    ASSERT_EQ(station.kind, OBJECT_STATION);
    w().objects[2].pos = hull_origin_world(station);
    w().objects[2].vel = station.vel;
    ASSERT_GE(tick_until([&] { return step() != TUTORIAL_UPGRADING; }, 2400), 0);
    EXPECT_EQ(step(), TUTORIAL_SUN);
    EXPECT_TRUE(w().objects[2].upgraded);
    ASSERT_EQ(w().body_count, 4u);
    const CelestialBody& sun = w().bodies[3];
    EXPECT_TRUE(sun.is_sun);
    EXPECT_EQ(sun.radius, 380.0f);
    for (int b = 0; b < 3; ++b) EXPECT_GT(length(wrapped_delta(sun.pos, w().bodies[b].pos, w().size)), 3200.0f);

    // Step 7, the sun: only an upgraded collector gathers there.
    put_in_orbit(2, 3, 250.0f);
    park();
    ASSERT_GE(tick_until([&] { return step() != TUTORIAL_SUN; }, 4000), 0);
    EXPECT_EQ(step(), TUTORIAL_EXIT_VESSEL);

    // Step 8, the exit vessel: buy one, turn round, fly in and stay.
    park();
    tick(keys(false, false, false, false, false, ITEM_EXIT_VESSEL));
    ASSERT_EQ(w().objects[w().object_count - 1].kind, OBJECT_VESSEL);
    for (int i = 0; i < 94; ++i) tick(keys(true, false, false, false, false));
    for (int i = 0; i < 10; ++i) tick(keys(false, false, true, false, false));
    for (int i = 0; i < 3; ++i) ASSERT_GE(plane().resources[i], w().rules.win_amount);
    testing::internal::CaptureStderr();
    ticks = tick_until([&] { return w().winner != NONE; }, 2400);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "info: player 0 won\n");
    ASSERT_GE(ticks, 0);
    EXPECT_EQ(w().winner, PLAYER);
    EXPECT_EQ(step(), TUTORIAL_WON);

    // Step 9 until the round-over countdown has run out; then the world
    // starts over, empty, with the tutorial's rules.
    ticks = tick_until([&] { return step() != TUTORIAL_WON; }, 4000);
    EXPECT_NEAR(ticks, 3600, 3);
    EXPECT_EQ(step(), TUTORIAL_FLYING);
    EXPECT_EQ(w().winner, NONE);
    EXPECT_EQ(w().object_count, 0u);
    EXPECT_EQ(w().body_count, 0u);
    EXPECT_EQ(w().rules.gather_amount, 5);
    EXPECT_EQ(w().rules.object_respawn_delay, 3.0f);
    EXPECT_TRUE(plane().in_use);
    EXPECT_EQ(plane().pos, (Vec2{4800.0f, 2754.0f}));
    EXPECT_EQ(plane().resources[0] + plane().resources[1] + plane().resources[2] + plane().sun_resource, 0u);
    tick(IDLE);
    EXPECT_TRUE(plane().has_radar);  // given again by the script
    EXPECT_EQ(s().tutorial.shots_counted, 0);
    EXPECT_FALSE(s().tutorial.turned_left);
}

// ---- single rules of the script, from a prepared state ----------------------

class TutorialScript : public TutorialPlay {
protected:
    // Joins `count` players and leaves all but the last, so that the
    // tutorial player sits in slot count - 1.
    static Endpoint address(int slot) { return make_endpoint(10, 0, 0, static_cast<uint8_t>(slot + 1), 1); }

    void join_as(int slot) {
        for (int i = 0; i <= slot; ++i) {
            uint8_t datagram[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
            receive(s(), datagram, sizeof datagram, address(i));
        }
        for (int i = 0; i < slot; ++i) remove_player(s(), static_cast<uint8_t>(i));
        while (pop_outgoing(s())) {
        }
    }
    // The slot's next input, as its client would send it.
    void set_keys(uint8_t slot, const InputByte& in) {
        const uint8_t packed = pack_input(in);
        const uint32_t number = ++numbers[slot];
        uint8_t buffer[MAX_DATAGRAM];
        WireWriter writer(buffer);
        encode_input_batch(writer, number, {&packed, 1});
        receive(s(), buffer, writer.length, address(slot));
    }
    // An object of `kind` owned by `owner` finishes its upgrade in the next
    // tick, in a station far from everything (objects 0 and 1).
    void upgrade_finishing(uint8_t kind, uint8_t owner) {
        WorldObject station = make_collector({8000, 800}, 0, w().rules);
        station.kind = OBJECT_STATION;
        station.mass = 2.5f;
        station.inertia = 3062.5f;
        w().objects[0] = station;
        WorldObject o = make_collector({8000, 800}, 0, w().rules);
        o.kind = kind;
        o.owner = owner;
        o.upgrading_station = 0;
        o.upgrade_timer = w().rules.upgrade_time - TICK * 0.5f;
        w().objects[1] = o;
        w().object_count = 2;
    }
    uint32_t numbers[MAX_PLANES] = {};
};

TEST_F(TutorialScript, AllThreeFlyingKeysOnOneTickCompleteStepZero) {
    join_as(0);
    set_keys(0, keys(true, true, true, false, false));
    server_tick(s());
    EXPECT_EQ(step(), TUTORIAL_SHOOTING);
    // Only one step per tick: the script did not look at step 1 yet.
    EXPECT_EQ(s().tutorial.shots_counted, 0);
}

TEST_F(TutorialScript, ShootingWaitsForALivePlane) {
    join_as(0);
    s().tutorial.step = TUTORIAL_SHOOTING;
    s().tutorial.shots_counted = 5;
    w().planes[0].dead = true;
    w().planes[0].respawn_timer = 1.0f;
    server_tick(s());
    EXPECT_EQ(step(), TUTORIAL_SHOOTING);
    w().planes[0].dead = false;
    server_tick(s());
    EXPECT_EQ(step(), TUTORIAL_HAULING);
}

// A player at (6000, 2700) facing west: the planet 1650 ahead, at (4350,
// 2700), would have 2700 of room (to the top and bottom edges) but loses 800
// for lying ahead of the nose; behind, at (7650, 2700), it has 1950 (to the
// right edge), more than 1900, so the planet goes behind. The collector lies
// 250 out the same way, at the plane's angle.
TEST_F(TutorialScript, FirstPlanetGoesWhereThereIsRoomBehindTheNose) {
    join_as(0);
    w().planes[0].pos = {6000, 2700};
    w().planes[0].angle = PI;
    s().tutorial.step = TUTORIAL_SHOOTING;
    s().tutorial.shots_counted = TUTORIAL_SHOTS_NEEDED;
    server_tick(s());
    ASSERT_EQ(step(), TUTORIAL_HAULING);
    ASSERT_EQ(w().body_count, 1u);
    const CelestialBody& planet = w().bodies[0];
    EXPECT_NEAR(planet.pos.x, 7650.0f, 1e-2f);
    EXPECT_NEAR(planet.pos.y, 2700.0f, 1e-2f);
    EXPECT_FALSE(planet.is_sun);
    EXPECT_EQ(planet.resource, 0);
    ASSERT_EQ(w().object_count, 1u);
    const WorldObject& c = w().objects[0];
    EXPECT_EQ(c.home_angle, PI);
    EXPECT_EQ(c.owner, NONE);
    const Vec2 origin = hull_origin_world(c);
    EXPECT_NEAR(origin.x, 6250.0f, 1e-2f);
    EXPECT_NEAR(origin.y, 2700.0f, 1e-2f);
}

// The other player's collector goes 250 from the plane (at the spawn point,
// 4800, 2754) where it has the most room. With nothing about, east and west
// both leave 2646 to the bottom edge and east, the first, wins. A planet 850
// east of the plane counts its distance less 1250 (west: 1100 - 1250 = -150
// beats east: 600 - 1250); a free entry right at the east point does not
// count at all.
TEST_F(TutorialScript, StolenCollectorKeepsClearOfBodiesButNotOfFreeEntries) {
    struct Case {
        const char* what;
        bool planet;
        bool free_entry;
        float x;
    } cases[] = {
        {"nothing about", false, false, 5050},
        {"a planet to the east", true, false, 4550},
        {"a free entry to the east", false, true, 5050},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        SetUp();
        for (uint32_t& n : numbers) n = 0;
        join_as(0);
        ASSERT_EQ(w().planes[0].pos, (Vec2{4800, 2754}));
        if (k.planet) w().bodies[w().body_count++] = make_body({5650, 2754}, false, 0, 2, 0.0f);
        if (k.free_entry) {
            w().objects[0] = make_collector({5050, 2754}, 0, w().rules);
            w().objects[0].pos = {5050, 2754};
            w().objects[0].free = true;
            w().object_count = 1;
        }
        const uint64_t index = w().object_count;
        s().tutorial.step = TUTORIAL_BUYING;
        w().planes[0].resources[0] = 15;
        set_keys(0, keys(false, false, false, false, false, ITEM_SHIELD));
        server_tick(s());
        ASSERT_EQ(step(), TUTORIAL_STEALING);
        ASSERT_EQ(s().tutorial.stolen_collector, index);
        const WorldObject& c = w().objects[index];
        const Vec2 origin = hull_origin_world(c);
        EXPECT_NEAR(origin.x, k.x, 0.1f);
        EXPECT_NEAR(origin.y, 2754.0f, 0.1f);
        EXPECT_NEAR(c.home_angle, SPAWN_ANGLE + 1.0f + TWO_PI, 1e-5f) << "the plane's angle + 1";
    }
}

// Objects count their distance less 150. A plane 300 below the top edge at
// (4800, 300): straight down, (4800, 550), has the most room from the
// edges (550), then 60 and 120 degrees, (4925, 516.51) and (4675, 516.51).
// A collector 600 further down at (4800, 1150) leaves the first
// 600 - 150 = 450 and the second 645.7 - 150 = 495.7, so the collector goes
// to (4925, 516.51).
TEST_F(TutorialScript, StolenCollectorKeepsOneHundredFiftyFromOtherObjects) {
    join_as(0);
    w().planes[0].pos = {4800, 300};
    w().objects[0] = make_collector({0, 0}, 0, w().rules);
    w().objects[0].pos = {4800, 1150};
    w().object_count = 1;
    s().tutorial.step = TUTORIAL_BUYING;
    w().planes[0].resources[0] = 15;
    set_keys(0, keys(false, false, false, false, false, ITEM_SHIELD));
    server_tick(s());
    ASSERT_EQ(step(), TUTORIAL_STEALING);
    const Vec2 origin = hull_origin_world(w().objects[s().tutorial.stolen_collector]);
    EXPECT_NEAR(origin.x, 4925.0f, 0.1f);
    EXPECT_NEAR(origin.y, 516.51f, 0.1f);
}

// The two later planets go 2500 from the first, 60 degrees apart. Their score
// is the least room from the edges of all three planets, so with the first
// planet 500 from the left edge no direction scores above 500, and the first
// direction that reaches it (0 degrees: planets at (3000, 2700) and
// (1750, 4865.06), 535 from the bottom) is taken.
TEST_F(TutorialScript, TwoPlanetsTakeTheFirstDirectionWithTheMostRoom) {
    join_as(0);
    w().bodies[w().body_count++] = make_body({500, 2700}, false, 0, 2, 3.7f);
    s().tutorial.step = TUTORIAL_STEALING;
    w().objects[0] = make_collector({1000, 1000}, 0, w().rules);
    w().objects[0].owner = 0;
    w().object_count = 1;
    s().tutorial.stolen_collector = 0;
    server_tick(s());
    ASSERT_EQ(step(), TUTORIAL_GATHERING);
    ASSERT_EQ(w().body_count, 3u);
    EXPECT_NEAR(w().bodies[1].pos.x, 3000.0f, 0.01f);
    EXPECT_NEAR(w().bodies[1].pos.y, 2700.0f, 0.01f);
    EXPECT_NEAR(w().bodies[2].pos.x, 1750.0f, 0.01f);
    EXPECT_NEAR(w().bodies[2].pos.y, 4865.06f, 0.01f);
    EXPECT_EQ(w().bodies[1].resource, 1);
    EXPECT_EQ(w().bodies[2].resource, 2);
    ASSERT_EQ(w().object_count, 3u);
    const Vec2 first = hull_origin_world(w().objects[1]);
    EXPECT_NEAR(first.x, 1750.0f, 0.01f) << "half-way out";
    EXPECT_NEAR(first.y, 2700.0f, 0.01f);
}

// The sun goes to the middle of a cell of the 32 x 18 grid whose room from
// the edges (less 380) and from the bodies (less 3200) is the largest, the
// first such cell in column order. With no body that is (2550, 2550), the
// first of many cells 2550 from the top or bottom; with a planet there,
// (7350, 3150): 2250 from the right edge, 4837.35 from the planet.
TEST_F(TutorialScript, SunGoesToTheGridCellWithTheMostRoom) {
    struct Case {
        bool planet;
        Vec2 sun;
    } cases[] = {{false, {2550, 2550}}, {true, {7350, 3150}}};
    for (const Case& k : cases) {
        SetUp();
        for (uint32_t& n : numbers) n = 0;
        join_as(0);
        if (k.planet) w().bodies[w().body_count++] = make_body({2550, 2550}, false, 0, 2, 0.0f);
        upgrade_finishing(OBJECT_COLLECTOR, 0);
        s().tutorial.step = TUTORIAL_UPGRADING;
        server_tick(s());
        ASSERT_EQ(step(), TUTORIAL_SUN) << k.planet;
        const CelestialBody& sun = w().bodies[w().body_count - 1];
        EXPECT_TRUE(sun.is_sun);
        EXPECT_NEAR(sun.pos.x, k.sun.x, 1e-2f) << k.planet;
        EXPECT_NEAR(sun.pos.y, k.sun.y, 1e-2f) << k.planet;
    }
}

// Planets count their distance less 3200. With a planet at (300, 900) the
// cell (4950, 2850) has 2550 - 380 = 2170 from the edges but only
// 5042.3 - 3200 = 1842.3 from the planet (across the left edge), so the sun
// goes to (4950, 3150): 2250 - 380 = 1870 from the bottom edge, 5165.8 from
// the planet.
TEST_F(TutorialScript, SunKeepsThirtyTwoHundredFromThePlanets) {
    join_as(0);
    w().bodies[w().body_count++] = make_body({300, 900}, false, 0, 2, 0.0f);
    upgrade_finishing(OBJECT_COLLECTOR, 0);
    s().tutorial.step = TUTORIAL_UPGRADING;
    server_tick(s());
    ASSERT_EQ(step(), TUTORIAL_SUN);
    const CelestialBody& sun = w().bodies[w().body_count - 1];
    EXPECT_NEAR(sun.pos.x, 4950.0f, 1e-2f);
    EXPECT_NEAR(sun.pos.y, 3150.0f, 1e-2f);
}

// What completes each lesson, and what just misses it, with the tutorial
// player in slot 2 and another player in slot 3.
TEST_F(TutorialScript, EachLessonCompletesOnItsOwnCondition) {
    auto wins = [this](uint8_t slot) {
        const float y = 1000.0f + 2000.0f * (slot - 2);
        const Vec2 hull[7] = {{145, 0}, {75, -64}, {-105, -74}, {-140, -42}, {-140, 42}, {-105, 74}, {75, 64}};
        WorldObject vessel = polygon_body(hull, 7);
        vessel.pos = {2000, y};
        vessel.kind = OBJECT_VESSEL;
        vessel.mass = 6;
        vessel.inertia = 29400;
        vessel.health = 1;
        w().objects[w().object_count++] = vessel;
        Plane& p = w().planes[slot];
        p.pos = {2000, y};
        p.resources[0] = p.resources[1] = p.resources[2] = w().rules.win_amount;
        p.boarding_vessel = static_cast<uint8_t>(w().object_count - 1);
        p.boarding_timer = w().rules.boarding_time - TICK * 0.5f;
    };
    struct Case {
        const char* lesson;
        uint8_t step;
        std::function<void(bool)> prepare;  // true: meets the condition
    } cases[] = {
        {"shooting: five shots of the player", TUTORIAL_SHOOTING,
         [&](bool meets) {
             s().tutorial.shots_counted = TUTORIAL_SHOTS_NEEDED - 1;
             set_keys(meets ? 2 : 3, keys(false, false, false, true, false));
         }},
        {"hauling: the cheaper of turret and shield", TUTORIAL_HAULING,
         [&](bool meets) { w().planes[2].resources[1] = meets ? 15 : 14; }},
        {"gathering: each of the three resources", TUTORIAL_GATHERING,
         [&](bool meets) {
             uint32_t* r = w().planes[2].resources;
             r[0] = r[1] = 20;
             r[2] = meets ? 20 : 19;
         }},
        {"upgrading: a collector, not a turret", TUTORIAL_UPGRADING,
         [&](bool meets) { upgrade_finishing(meets ? OBJECT_COLLECTOR : OBJECT_TURRET, 2); }},
        {"the sun: the exit vessel's cost", TUTORIAL_SUN, [&](bool meets) { w().planes[2].sun_resource = meets ? 50 : 49; }},
        {"the exit vessel: the player's own win", TUTORIAL_EXIT_VESSEL, [&](bool meets) { wins(meets ? 2 : 3); }},
    };
    for (const Case& k : cases) {
        for (bool meets : {false, true}) {
            SCOPED_TRACE(testing::Message() << k.lesson << (meets ? ", met" : ", just missed"));
            SetUp();
            for (uint32_t& n : numbers) n = 0;
            join_as(3);
            uint8_t datagram[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
            for (int slot = 0; slot <= 2; ++slot) receive(s(), datagram, sizeof datagram, address(slot));
            remove_player(s(), 0);
            remove_player(s(), 1);
            while (pop_outgoing(s())) {
            }
            ASSERT_TRUE(w().planes[2].in_use && w().planes[3].in_use);
            ASSERT_FALSE(w().planes[0].in_use || w().planes[1].in_use);
            s().tutorial.step = k.step;
            k.prepare(meets);
            server_tick(s());
            EXPECT_EQ(step(), meets ? k.step + 1 : k.step);
        }
    }
}

// The collector to steal belongs to the slot after the player's.
TEST_F(TutorialScript, StolenCollectorBelongsToTheNextSlot) {
    const struct {
        int player;
        uint8_t owner;
    } cases[] = {{0, 1}, {7, 0}, {3, 4}};
    for (const auto& c : cases) {
        SetUp();
        for (uint32_t& n : numbers) n = 0;
        join_as(c.player);
        ASSERT_EQ(w().planes[c.player].in_use, true);
        s().tutorial.step = TUTORIAL_BUYING;
        w().planes[c.player].resources[0] = 15;
        set_keys(static_cast<uint8_t>(c.player), keys(false, false, false, false, false, ITEM_SHIELD));
        server_tick(s());
        ASSERT_EQ(step(), TUTORIAL_STEALING) << c.player;
        ASSERT_EQ(w().object_count, 1u);
        EXPECT_EQ(w().objects[0].owner, c.owner) << c.player;
    }
}

TEST_F(TutorialScript, FullObjectTableSkipsTheCollectorAndStealingNeverCompletes) {
    join_as(0);
    w().object_count = MAX_OBJECTS;
    for (int i = 0; i < MAX_OBJECTS; ++i) {
        w().objects[i] = make_collector({100.0f + 140.0f * (i % 60), 100.0f + 600.0f * (i / 60)}, 0, w().rules);
        w().objects[i].owner = 0;
    }
    s().tutorial.step = TUTORIAL_BUYING;
    w().planes[0].resources[0] = 15;
    set_keys(0, keys(false, false, false, false, false, ITEM_SHIELD));
    server_tick(s());
    EXPECT_EQ(step(), TUTORIAL_STEALING);
    EXPECT_EQ(w().object_count, 64u);
    EXPECT_EQ(s().tutorial.stolen_collector, 64);
    for (int i = 0; i < 10; ++i) server_tick(s());
    EXPECT_EQ(step(), TUTORIAL_STEALING);
}

TEST_F(TutorialScript, AnotherPlayersPurchaseDoesNotCount) {
    join_as(0);
    uint8_t datagram[4] = {WIRE_MAGIC_0, WIRE_MAGIC_1, PROTOCOL_VERSION, TAG_JOIN_REQUEST};
    receive(s(), datagram, sizeof datagram, address(1));
    s().tutorial.step = TUTORIAL_BUYING;
    w().planes[1].resources[0] = 15;
    set_keys(1, keys(false, false, false, false, false, ITEM_SHIELD));
    server_tick(s());
    EXPECT_EQ(w().planes[1].shield, w().rules.shield_strength);
    EXPECT_EQ(step(), TUTORIAL_BUYING);
}

}  // namespace
