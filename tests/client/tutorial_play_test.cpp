// The tutorial played by the client session over the in-process link, from
// the first JoinRequest to the win and the restart, with scripted controls.
//
// In-process nothing is lost and the server applies exactly one input per
// tick, so the client's prediction must be exact: every snapshot must find
// the own plane exactly where the client had predicted it. The only
// exceptions are the snapshots that carry a change made outside the step:
// the tutorial script placing things (or restarting the world), and the
// test's own helping hand (it parks the plane and sets collectors into
// orbit where a lesson would need minutes of skilful towing). Those are
// counted by cause and printed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "client/session.h"
#include "server/server_session.h"
#include "server/tutorial.h"
#include "world/forces.h"
#include "world/geometry.h"

namespace {

constexpr uint8_t PLAYER = 0;

Controls keys(bool left, bool right, bool thrust, bool fire, bool hook) { return {left, right, thrust, fire, hook}; }
const Controls IDLE{};
const Controls LEFT = keys(true, false, false, false, false);
const Controls RIGHT = keys(false, true, false, false, false);
const Controls THRUST = keys(false, false, true, false, false);
const Controls FIRE = keys(false, false, false, true, false);
const Controls HOOK = keys(false, false, false, false, true);

// A change the client could not predict, and the server tick after which
// snapshots carry it.
struct Excuse {
    uint64_t after_tick;
    std::string reason;
};

class TutorialThroughClient : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(start_tutorial(s));
        ASSERT_NE(s.link.session, nullptr);
        hooks.user = this;
        hooks.effects = [](void* user, const Session&) { static_cast<TutorialThroughClient*>(user)->after_tick(); };
    }
    void TearDown() override { leave_session(s); }

    ServerSession& server() { return *s.link.session; }
    World& sw() { return server().world; }
    Plane& plane() { return sw().planes[PLAYER]; }
    const Plane& own() { return s.client.world.planes[PLAYER]; }
    uint8_t step() { return tutorial_step(server()); }

    // Runs at the end of every session tick: notes the script's steps, whose
    // placements happen after the tick's snapshots were queued.
    void after_tick() {
        const uint8_t now = step();
        if (now == last_step) return;
        const char* change = nullptr;
        switch (now) {
        case TUTORIAL_HAULING: change = "script: first collector and planet"; break;
        case TUTORIAL_STEALING: change = "script: another player's collector"; break;
        case TUTORIAL_GATHERING: change = "script: two planets with collectors"; break;
        case TUTORIAL_SUN:
            change = "script: the sun";
            std::printf("the sun was placed %g units from the plane (its pull reaches %g)\n",
                        length(wrapped_delta(plane().pos, sw().bodies[sw().body_count - 1].pos, sw().size)),
                        SUN_REACH.gravity_range);
            break;
        case TUTORIAL_FLYING: change = "script: the world restarted"; break;
        default: break;
        }
        if (change) excuses.push_back({server().tick, change});
        last_step = now;
    }

    // One frame of `ticks` ticks (default: 1 or 3, chosen so that the
    // frame takes exactly one snapshot and, every other frame, replays one
    // input on top of it).
    void frame(const Controls& c, int ticks = 0) {
        if (ticks == 0) ticks = server().tick % 2 == 0 ? 3 : 1;
        ASSERT_FALSE(ticks == 3 && server().tick % 2 == 1) << "two snapshots in one frame";
        const uint64_t accepted = s.client.snapshots_accepted;
        float accumulator = static_cast<float>(ticks) * TICK + 0.25f * TICK;
        session_frame(s, c, accumulator, camera, hooks);
        if (s.client.snapshots_accepted != accepted) check_prediction(ticks);
        note_notifications(ticks);
        ++frames;
    }

    // The snapshot just applied found the own plane where it was predicted,
    // unless an excused change had just reached it.
    void check_prediction(int ticks_since) {
        ++snapshots;
        const ClientSession& c = s.client;
        if (!(c.predicted_mask & 1u)) return;
        ++checked;
        // The snapshot was applied before this frame's ticks recorded theirs.
        if (c.acknowledged_input + 1 < c.next_input - static_cast<uint32_t>(ticks_since)) ++replayed;
        const Vec2 e = c.prediction_error[PLAYER];
        const bool exact = e.x == 0.0f && e.y == 0.0f;
        std::string reason;
        for (auto it = excuses.begin(); it != excuses.end();) {
            if (c.last_snapshot_tick > it->after_tick) {
                reason += (reason.empty() ? "" : " + ") + it->reason;
                it = excuses.erase(it);
            } else {
                ++it;
            }
        }
        if (exact) return;
        if (!reason.empty()) {
            ++excused[reason];
            std::printf("excused correction (%g, %g) at snapshot %u: %s\n", e.x, e.y, c.last_snapshot_tick,
                        reason.c_str());
            return;
        }
        ADD_FAILURE() << "own plane corrected by (" << e.x << ", " << e.y << ") at snapshot " << c.last_snapshot_tick
                      << ", step " << int(step());
    }

    // Lines added this frame: every older line has aged for more ticks than
    // this frame ran.
    void note_notifications(int ticks) {
        const NotificationList& list = s.notifications;
        for (int i = 0; i < list.count; ++i) {
            if (list.items[i].age < (static_cast<float>(ticks) + 0.5f) * TICK) seen.emplace_back(list.items[i].view());
        }
    }

    // The test lends a hand: the server's world is edited between frames.
    void edit(const std::string& reason, const std::function<void()>& change) {
        change();
        excuses.push_back({server().tick, "test: " + reason});
    }

    int frames_until(const std::function<bool()>& done, int limit, const Controls& c = IDLE) {
        for (int i = 1; i <= limit; ++i) {
            frame(c);
            if (done()) return i;
        }
        return -1;
    }

    bool event(uint8_t kind) {
        for (uint64_t i = 0; i < sw().event_count; ++i) {
            if (sw().events[i].kind == kind) return true;
        }
        return false;
    }

    void turn_tail_to(Vec2 target) {
        for (int i = 0; i < 400; ++i) {
            Vec2 d = wrapped_delta(plane().pos, target, sw().size);
            float wanted = std::atan2(-d.y, -d.x);
            float error = std::remainder(wanted - plane().angle, TWO_PI);
            if (std::fabs(error) < 0.02f) return;
            frame(error < 0 ? LEFT : RIGHT, 1);
        }
        FAIL() << "could not turn";
    }

    int fire_hook_and_wait() {
        frame(IDLE);
        return frames_until([&] { return plane().hook_out && plane().hook_state == HOOK_ATTACHED; }, 80, HOOK);
    }

    void reel_in() {
        frame(IDLE);
        frame(HOOK, 1);
        ASSERT_GE(frames_until([&] { return !plane().hook_out; }, 160), 0) << "hook never came back";
    }

    void park() {
        Vec2 best{};
        float best_clearance = -1;
        for (int i = 0; i < 24; ++i) {
            for (int j = 0; j < 12; ++j) {
                Vec2 p = {(i + 0.5f) * sw().size.x / 24, (j + 0.5f) * sw().size.y / 12};
                float clearance = 1e9f;
                for (uint64_t k = 0; k < sw().body_count; ++k) {
                    const CelestialBody& b = sw().bodies[k];
                    float reach = b.is_sun ? 2000.0f : 1200.0f;
                    clearance = std::min(clearance, length(wrapped_delta(p, b.pos, sw().size)) - reach);
                }
                if (clearance > best_clearance) {
                    best_clearance = clearance;
                    best = p;
                }
            }
        }
        edit("parking the plane", [&] {
            plane().pos = best;
            plane().vel = {0, 0};
        });
    }

    void hook_from_close(uint8_t index) {
        const WorldObject& o = sw().objects[index];
        edit("placing the plane next to a collector", [&] {
            plane().pos = wrap(o.pos + Vec2{0.0f, -150.0f}, sw().size);
            plane().vel = o.vel;
            plane().angle = 1.5f * PI;
        });
        ASSERT_GE(fire_hook_and_wait(), 0);
        EXPECT_EQ(plane().hook_object, index);
        reel_in();
        park();
    }

    void put_in_orbit(uint8_t index, uint8_t body, float altitude) {
        const CelestialBody& b = sw().bodies[body];
        const float dist = b.radius + altitude;
        WorldObject& o = sw().objects[index];
        o.pos = wrap(b.pos + Vec2{dist, 0.0f}, sw().size);
        o.vel = {0.0f, circular_speed(b, dist)};
        o.spin = 0;
    }

    Session s;
    SessionHooks hooks;
    Vec2 camera{};
    uint8_t last_step = 0;
    std::vector<Excuse> excuses;
    std::map<std::string, int> excused;
    std::vector<std::string> seen;
    int frames = 0;
    int snapshots = 0;
    int checked = 0;
    int replayed = 0;  // snapshots that left an input to replay
};

TEST_F(TutorialThroughClient, PlayedFromJoinToWinAndRestartWithExactPrediction) {
    // The first tick asks to join; the Welcome is read at the next frame.
    frame(IDLE, 1);
    EXPECT_EQ(s.client.state, ConnectionState::Connecting);
    frame(IDLE, 1);
    ASSERT_EQ(s.client.state, ConnectionState::Joined);
    EXPECT_EQ(s.client.own_slot, PLAYER);
    for (int i = 0; i < 4; ++i) frame(IDLE);
    ASSERT_TRUE(own().in_use);
    EXPECT_EQ(own().pos, (Vec2{4800.0f, 2754.0f}));

    // Step 0, flying.
    frame(LEFT, 1);
    for (int i = 0; i < 20; ++i) frame(IDLE);
    frame(RIGHT, 1);
    frame(THRUST, 1);
    for (int i = 0; i < 3; ++i) frame(IDLE);
    ASSERT_EQ(step(), TUTORIAL_SHOOTING);

    // Step 1, shooting.
    ASSERT_GE(frames_until([&] { return step() != TUTORIAL_SHOOTING; }, 100, FIRE), 0);
    frame(IDLE);
    ASSERT_EQ(step(), TUTORIAL_HAULING);
    ASSERT_EQ(sw().object_count, 1u);
    ASSERT_EQ(sw().body_count, 1u);

    // Step 2, hauling: hook the collector, then the test puts it in orbit.
    turn_tail_to(sw().objects[0].pos);
    ASSERT_GE(fire_hook_and_wait(), 0);
    EXPECT_EQ(sw().objects[0].owner, PLAYER);
    reel_in();
    edit("putting a collector into orbit", [&] { put_in_orbit(0, 0, 150.0f); });
    park();
    ASSERT_GE(frames_until([&] { return step() != TUTORIAL_HAULING; }, 800), 0);
    ASSERT_EQ(step(), TUTORIAL_BUYING);

    // Step 3, buying a shield: the purchase rides on the frame's first tick.
    s.pending_buy = ITEM_SHIELD;
    frame(IDLE);
    EXPECT_EQ(own().shield, s.client.world.rules.shield_strength);
    ASSERT_EQ(step(), TUTORIAL_STEALING);
    const uint8_t stolen = server().tutorial.stolen_collector;

    // Step 4, stealing.
    turn_tail_to(sw().objects[stolen].pos);
    frame(IDLE);
    ASSERT_GE(frames_until([&] { return sw().objects[stolen].owner == PLAYER; }, 80, HOOK), 0);
    frame(IDLE);
    EXPECT_EQ(step(), TUTORIAL_GATHERING);
    reel_in();
    ASSERT_EQ(sw().body_count, 3u);

    // Step 5, all three resources.
    edit("putting a collector into orbit", [&] { put_in_orbit(stolen, 1, 150.0f); });
    hook_from_close(3);
    edit("putting a collector into orbit", [&] { put_in_orbit(3, 2, 150.0f); });
    park();
    ASSERT_GE(frames_until([&] { return step() != TUTORIAL_GATHERING; }, 1600), 0);
    ASSERT_EQ(step(), TUTORIAL_UPGRADING);

    // Step 6, upgrading.
    hook_from_close(2);
    const uint64_t objects_before = sw().object_count;
    s.pending_buy = ITEM_UPGRADE_STATION;
    frame(IDLE);
    ASSERT_EQ(sw().object_count, objects_before + 1);
    const WorldObject& station = sw().objects[objects_before];
    ASSERT_EQ(station.kind, OBJECT_STATION);
    edit("moving a collector into the station's sphere", [&] {
        sw().objects[2].pos = hull_origin_world(station);
        sw().objects[2].vel = station.vel;
    });
    ASSERT_GE(frames_until([&] { return step() != TUTORIAL_UPGRADING; }, 1600), 0);
    ASSERT_EQ(step(), TUTORIAL_SUN);

    // Step 7, the sun.
    edit("putting a collector into orbit", [&] { put_in_orbit(2, 3, 250.0f); });
    park();
    ASSERT_GE(frames_until([&] { return step() != TUTORIAL_SUN; }, 2600), 0);
    ASSERT_EQ(step(), TUTORIAL_EXIT_VESSEL);

    // Step 8, the exit vessel: buy one, turn round, fly in and stay.
    park();
    frame(IDLE);
    s.pending_buy = ITEM_EXIT_VESSEL;
    frame(IDLE, 1);
    ASSERT_EQ(sw().objects[sw().object_count - 1].kind, OBJECT_VESSEL);
    for (int i = 0; i < 94; ++i) frame(LEFT, 1);
    for (int i = 0; i < 10; ++i) frame(THRUST, 1);
    testing::internal::CaptureStderr();
    ASSERT_GE(frames_until([&] { return sw().winner != NONE; }, 1600), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "info: player 0 won\n");
    EXPECT_EQ(step(), TUTORIAL_WON);
    frame(IDLE);
    EXPECT_EQ(s.client.world.winner, PLAYER);

    // Step 9 until the countdown has run out, then the world starts over.
    ASSERT_GE(frames_until([&] { return step() != TUTORIAL_WON; }, 2600), 0);
    for (int i = 0; i < 10; ++i) frame(IDLE);
    EXPECT_EQ(step(), TUTORIAL_FLYING);
    EXPECT_EQ(s.client.world.winner, NONE);
    EXPECT_EQ(s.client.world.object_count, 0u);
    EXPECT_EQ(s.client.world.body_count, 0u);
    EXPECT_EQ(own().pos, (Vec2{4800.0f, 2754.0f}));
    EXPECT_EQ(s.client.state, ConnectionState::Joined);

    const std::vector<std::string> expected = {
        "Shield up",
        "Upgrade station ready: bring collectors into its sphere",
        "A collector of yours was upgraded: it gathers twice as fast, and can orbit the sun",
        "Exit vessel ready: stay in it with 15 of each resource to win",
        "You win!",
    };
    EXPECT_EQ(seen, expected);

    int total_excused = 0;
    for (const auto& [reason, count] : excused) {
        std::printf("%3d excused correction(s): %s\n", count, reason.c_str());
        total_excused += count;
    }
    std::printf("%d frames, %d snapshots, %d with the own plane compared (%d with an input replayed), %d excused\n",
                frames, snapshots, checked, replayed, total_excused);
    EXPECT_GT(checked, 5000);
    EXPECT_GT(replayed, 1000);
}

}  // namespace
