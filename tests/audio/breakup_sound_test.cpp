// A plane that breaks up is heard in the very tick its break-up is found:
// the session runs the visual effects before the sounds, so nothing is lost
// even when that tick is the last one before leaving.
#include <gtest/gtest.h>

#include <memory>

#include "audio/game_sounds.h"
#include "client/session.h"
#include "render/effects.h"
#include "server/server_session.h"
#include "world/damage.h"

namespace {

// What the shell's glue does after each tick, without a window.
struct TickGlue {
    std::unique_ptr<EffectLists> fx = std::make_unique<EffectLists>();
    std::unique_ptr<AudioState, void (*)(AudioState*)> audio{new_audio_state(), delete_audio_state};
};

SessionHooks hooks_for(TickGlue& glue) {
    SessionHooks hooks;
    hooks.user = &glue;
    hooks.effects = [](void* user, const Session& s) {
        TickGlue& g = *static_cast<TickGlue*>(user);
        advance_effects(*g.fx, s.client.world, s.client.smoothing);
    };
    hooks.sounds = [](void* user, const Session& s, Vec2 camera) {
        TickGlue& g = *static_cast<TickGlue*>(user);
        play_tick_sounds(*g.audio, s.client, camera, Breakups{g.fx->explosions, g.fx->explosion_count});
    };
    return hooks;
}

TEST(BreakupSound, HeardInTheTickTheBreakUpIsFound) {
    auto s = std::make_unique<Session>();
    ASSERT_TRUE(start_tutorial(*s));
    TickGlue glue;
    const SessionHooks hooks = hooks_for(glue);
    reset_effects(*glue.fx);
    Vec2 camera{};
    auto one_tick = [&] {
        float accumulator = 1.25f * TICK;
        session_frame(*s, Controls{}, accumulator, camera, hooks);
    };
    const ClientSession& c = s->client;
    for (int i = 0; i < 200 && !(c.state == ConnectionState::Joined && c.world.planes[c.own_slot].in_use); ++i) {
        one_tick();
    }
    ASSERT_TRUE(c.world.planes[c.own_slot].in_use);

    // The server destroys the plane; the client learns it from a snapshot.
    World& server_world = s->link.session->world;
    destroy_plane(server_world, server_world.planes[c.own_slot], 0xFE);
    bool broke_up = false;
    for (int i = 0; i < 20 && !broke_up; ++i) {
        const uint64_t cues_before = glue.audio->cues.written.load();
        one_tick();
        if (glue.fx->explosion_count == 0) continue;
        broke_up = true;
        ASSERT_EQ(glue.audio->cues.written.load(), cues_before + 1) << "the break-up's cue in the same tick";
        const Cue& cue = glue.audio->cues.entries[cues_before % CUE_RING_SIZE];
        EXPECT_EQ(cue.sound, SOUND_IMPACT);
        EXPECT_NEAR(cue.volume, 1.0f, 1e-6);  // the camera is on the plane
    }
    EXPECT_TRUE(broke_up);
    leave_session(*s);
}

}  // namespace
