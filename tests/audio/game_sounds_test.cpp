// Which sounds one client tick asks for, on a small hand-made world heard
// from a camera near the world's corner (so some things are heard across
// the wrap).
#include "audio/game_sounds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "world/geometry.h"

namespace {

constexpr Vec2 CAMERA = {200, 5300};

Vec2 at(float dx, float dy) { return wrap(CAMERA + Vec2{dx, dy}, Vec2{WORLD_WIDTH, WORLD_HEIGHT}); }

double nearness(double d) { return std::max(0.0, 1 - d / 2240); }
double pan_of(double dx) { return 0.8 * std::clamp(dx / 960, -1.0, 1.0); }

struct Expected {
    uint8_t sound;
    double volume;
    double pan;
};

struct GameSoundsTest : ::testing::Test {
    std::unique_ptr<AudioState, void (*)(AudioState*)> audio{new_audio_state(), delete_audio_state};
    std::unique_ptr<ClientSession> c = std::make_unique<ClientSession>();
    std::vector<Vec2> breakups;

    void SetUp() override {
        c->state = ConnectionState::Joined;
        plane(0, at(438, 0), true, false).thrust = true;
        c->smoothing[0] = {10, 0};  // shown at (448, 0) from the camera
        plane(1, at(-1920, 0), true, true).thrust = true;  // dead
        plane(2, at(0, 300), true, false);                // not thrusting
        plane(3, at(-768, 1024), true, false).thrust = true;  // across both edges, 1280 away
        for (int k = 0; k < ENGINE_COUNT; ++k) set_engine(*audio, k, 0.7f, 0.7f);
    }

    Plane& plane(int slot, Vec2 pos, bool in_use, bool dead) {
        Plane& p = c->world.planes[slot];
        p.pos = pos;
        p.in_use = in_use;
        p.dead = dead;
        return p;
    }
    void event(uint8_t kind, Vec2 pos, uint8_t a = 0, uint8_t b = 0, float value = 0) {
        push_event_at(c->world, kind, pos, a, b, value);
    }
    void play() {
        play_tick_sounds(*audio, *c, CAMERA, Breakups{breakups.data(), static_cast<uint32_t>(breakups.size())});
    }
    std::vector<Cue> posted() const {
        std::vector<Cue> cues;
        for (uint64_t i = 0; i < audio->cues.written.load(); ++i) cues.push_back(audio->cues.entries[i % CUE_RING_SIZE]);
        return cues;
    }
};

TEST_F(GameSoundsTest, EnginesHumForThrustingPlanesByDistanceAndSide) {
    play();
    const struct {
        double volume;
        double pan;
    } expected[ENGINE_COUNT] = {
        {0.5 * 0.8 * 0.8, pan_of(448)},  // the displayed position counts
        {0, -0.8},                       // dead: silent, still panned
        {0, 0},                          // not thrusting
        {0.5 * (3.0 / 7) * (3.0 / 7), pan_of(-768)},
        {0, 0}, {0, 0}, {0, 0}, {0, 0},  // not in use
    };
    for (int k = 0; k < ENGINE_COUNT; ++k) {
        EXPECT_NEAR(audio->engines[k].target_volume.load(), expected[k].volume, 1e-6) << "engine " << k;
        EXPECT_NEAR(audio->engines[k].target_pan.load(), expected[k].pan, 1e-6) << "engine " << k;
    }
}

TEST_F(GameSoundsTest, EachEventKindMakesItsCue) {
    event(EVENT_SHOT_FIRED, at(300, 400), 2);
    event(EVENT_IMPACT, at(-600, 0), 0, 0, 100);  // soft: a quarter
    event(EVENT_IMPACT, at(0, 0), 0, 0, 50);      // softer still: never below 0.2
    event(EVENT_IMPACT, at(0, 0), 0, 0, 1000);    // hard: full
    event(EVENT_SHOT_HIT, at(3000, 0));           // out of hearing
    event(EVENT_HOOK_FIRED, at(0, 1120));
    event(EVENT_CATCH, at(-120, 0));
    event(EVENT_GATHER, at(720, 0), 1);  // the chime's shorter range
    event(EVENT_SHIELD_HIT, {}, 0, 0);    // the shield held: no sound
    event(EVENT_SHIELD_HIT, {}, 3, 1);    // broke: heard where plane 3 is
    event(EVENT_SHIELD_HIT, {}, 5, 1);    // plane not in use
    event(EVENT_SHIELD_HIT, {}, 200, 1);  // no such slot
    event(EVENT_PURCHASE, {}, 0, 2);
    event(EVENT_UPGRADED, at(0, -448), 0, OBJECT_COLLECTOR);
    event(EVENT_ROUND_WON, at(3000, 0), 0);
    breakups = {at(224, 0), at(5000, 0)};  // the second is out of hearing
    play();

    const double f500 = nearness(500), f600 = nearness(600), f120 = nearness(120);
    const Expected expected[] = {
        {SOUND_SHOT, f500 * f500, pan_of(300)},
        {SOUND_IMPACT, f600 * f600 * 0.25, pan_of(-600)},
        {SOUND_IMPACT, 0.2, 0},
        {SOUND_IMPACT, 1, 0},
        {SOUND_IMPACT, 0.4 * 0.5 * 0.5, 0},
        {SOUND_HIT, f120 * f120, pan_of(-120)},
        {SOUND_CHIME, 0.6 * 0.5 * 0.5, pan_of(720)},
        {SOUND_IMPACT, (3.0 / 7) * (3.0 / 7), pan_of(-768)},
        {SOUND_CHIME, 0.8 * 0.8, 0},
        {SOUND_WIN, 1, 0},
        {SOUND_IMPACT, 0.9 * 0.9, pan_of(224)},  // a break-up
    };
    const std::vector<Cue> cues = posted();
    ASSERT_EQ(cues.size(), std::size(expected));
    for (size_t i = 0; i < cues.size(); ++i) {
        EXPECT_EQ(cues[i].sound, expected[i].sound) << "cue " << i;
        EXPECT_NEAR(cues[i].volume, expected[i].volume, 1e-6) << "cue " << i;
        EXPECT_NEAR(cues[i].pan, expected[i].pan, 1e-6) << "cue " << i;
    }
}

// Before the client has joined (and after it lost its server) nothing is
// heard: no cues, every engine's target 0.
TEST_F(GameSoundsTest, NothingWhileNotJoined) {
    c->state = ConnectionState::Connecting;
    event(EVENT_SHOT_FIRED, at(0, 0));
    event(EVENT_ROUND_WON, at(0, 0));
    breakups = {at(0, 0)};
    play();
    EXPECT_EQ(audio->cues.written.load(), 0u);
    for (int k = 0; k < ENGINE_COUNT; ++k) EXPECT_EQ(audio->engines[k].target_volume.load(), 0.0f) << k;
}

TEST_F(GameSoundsTest, LeavingSilencesEveryEngine) {
    play();
    silence_engines(*audio);
    for (int k = 0; k < ENGINE_COUNT; ++k) {
        EXPECT_EQ(audio->engines[k].target_volume.load(), 0.0f);
        EXPECT_EQ(audio->engines[k].target_pan.load(), 0.0f);
    }
}

}  // namespace
