#pragma once
// Which sounds the game makes, once per client tick: an engine hum for every
// thrusting plane near the camera, and a cue for each of the tick's world
// events and break-ups, louder the nearer and panned by the side they are on.
#include <cstdint>

#include "audio/mixer.h"
#include "client/client_session.h"
#include "world/vec2.h"

constexpr float HEARING_RANGE = 2240.0f;  // beyond this, silence
constexpr float GATHER_RANGE = 1440.0f;   // the gathering chime's shorter range
constexpr float PAN_RANGE = 960.0f;       // this far to the side is panned fully
constexpr float PAN_WIDTH = 0.8f;         // the widest pan used

// Where the planes and objects that broke up this tick were (the visual
// effects find them).
struct Breakups {
    const Vec2* positions = nullptr;
    uint32_t count = 0;
};

// After the tick's step: engine targets and pans for all eight slots from
// the displayed planes, and, while joined, the cues of the tick's events and
// break-ups, heard from `camera`.
void play_tick_sounds(AudioState& audio, const ClientSession& c, Vec2 camera, Breakups breakups);

// Outside a game no engine hums: every target volume and pan goes to 0.
void silence_engines(AudioState& audio);
