#include "audio/game_sounds.h"

#include <algorithm>

#include "world/geometry.h"

namespace {

constexpr float ENGINE_LOUDNESS = 0.5f;
constexpr float HOOK_LOUDNESS = 0.4f;
constexpr float GATHER_LOUDNESS = 0.6f;
constexpr float IMPACT_FULL_SPEED = 400.0f;  // closing speed of a full-volume impact
constexpr float IMPACT_QUIETEST = 0.2f;
static_assert(ENGINE_COUNT == MAX_PLANES, "one engine loop per player slot");

// How a point sounds from the camera.
struct Heard {
    float distance;
    float nearness;  // 1 at the camera, 0 at the hearing range
    float pan;
};

Heard hear(Vec2 camera, Vec2 p, Vec2 world_size) {
    const Vec2 d = wrapped_delta(camera, p, world_size);
    Heard h;
    h.distance = length(d);
    h.nearness = std::clamp(1.0f - h.distance / HEARING_RANGE, 0.0f, 1.0f);
    h.pan = PAN_WIDTH * std::clamp(d.x / PAN_RANGE, -1.0f, 1.0f);
    return h;
}

void update_engines(AudioState& audio, const ClientSession& c, Vec2 camera) {
    const bool joined = c.state == ConnectionState::Joined;
    for (int k = 0; k < MAX_PLANES; ++k) {
        const Plane& p = c.world.planes[k];
        if (!p.in_use) {
            set_engine(audio, k, 0.0f, 0.0f);
            continue;
        }
        const Heard h = hear(camera, displayed_position(c, k), c.world.size);
        const bool humming = joined && !p.dead && p.thrust;
        set_engine(audio, k, humming ? ENGINE_LOUDNESS * h.nearness * h.nearness : 0.0f, h.pan);
    }
}

// f² at the event's place, with `sound` and an extra factor.
void cue_at(AudioState& audio, const ClientSession& c, Vec2 camera, Vec2 pos, uint8_t sound, float factor) {
    const Heard h = hear(camera, pos, c.world.size);
    play_cue(audio, factor * (h.nearness * h.nearness), h.pan, sound);
}

void cue_event(AudioState& audio, const ClientSession& c, Vec2 camera, const WorldEvent& e) {
    const World& w = c.world;
    switch (e.kind) {
    case EVENT_SHOT_FIRED: cue_at(audio, c, camera, e.pos, SOUND_SHOT, 1.0f); break;
    case EVENT_IMPACT: {
        const float hardness = std::clamp(e.value / IMPACT_FULL_SPEED, IMPACT_QUIETEST, 1.0f);
        cue_at(audio, c, camera, e.pos, SOUND_IMPACT, hardness);
        break;
    }
    case EVENT_SHOT_HIT: cue_at(audio, c, camera, e.pos, SOUND_HIT, 1.0f); break;
    case EVENT_HOOK_FIRED: cue_at(audio, c, camera, e.pos, SOUND_IMPACT, HOOK_LOUDNESS); break;
    case EVENT_CATCH: cue_at(audio, c, camera, e.pos, SOUND_HIT, 1.0f); break;
    case EVENT_GATHER: {
        const Heard h = hear(camera, e.pos, w.size);
        const float g = std::clamp(1.0f - h.distance / GATHER_RANGE, 0.0f, 1.0f);
        play_cue(audio, GATHER_LOUDNESS * (g * g), h.pan, SOUND_CHIME);
        break;
    }
    case EVENT_SHIELD_HIT:
        // Only a broken shield is heard, where its plane is.
        if (e.b == 1 && is_slot(e.a) && w.planes[e.a].in_use) {
            cue_at(audio, c, camera, w.planes[e.a].pos, SOUND_IMPACT, 1.0f);
        }
        break;
    case EVENT_UPGRADED: cue_at(audio, c, camera, e.pos, SOUND_CHIME, 1.0f); break;
    case EVENT_ROUND_WON: play_cue(audio, 1.0f, 0.0f, SOUND_WIN); break;
    default: break;  // a purchase makes no sound
    }
}

}  // namespace

void play_tick_sounds(AudioState& audio, const ClientSession& c, Vec2 camera, Breakups breakups) {
    update_engines(audio, c, camera);
    if (c.state != ConnectionState::Joined) return;
    const uint64_t count = std::min<uint64_t>(c.world.event_count, MAX_EVENTS);
    for (uint64_t i = 0; i < count; ++i) cue_event(audio, c, camera, c.world.events[i]);
    // A break-up sounds like a hard impact.
    for (uint32_t i = 0; i < breakups.count; ++i) {
        cue_at(audio, c, camera, breakups.positions[i], SOUND_IMPACT, 1.0f);
    }
}

void silence_engines(AudioState& audio) {
    for (int k = 0; k < ENGINE_COUNT; ++k) set_engine(audio, k, 0.0f, 0.0f);
}
