#pragma once
// The radar: every plane and structure that is off screen gets a blip on a
// rectangle just inside the view's edges, in the direction it lies, fading
// with distance. Drawn in the world list, last, with normal blending.
#include "render/capsules.h"
#include "world/world.h"

// The rectangle the blips sit on, around the camera, and the distance from
// the view's centre to its corner.
constexpr float RADAR_HALF_WIDTH = 739;
constexpr float RADAR_HALF_HEIGHT = 403;
constexpr float VIEW_CORNER_DISTANCE = 881.16284f;
constexpr float RADAR_MIN_FADE = 0.35f;

struct Blip {
    bool shown;     // false while the thing is (partly) on screen
    Vec2 offset;    // from the camera
    float fade;     // multiplies the colour's alpha
};

// The blip of something of this reach at offset d from the camera.
Blip radar_blip(Vec2 d, float reach);

// What the radar looks at: the world, whose plane it is, where the view is
// and where each plane is drawn.
struct RadarView {
    const World& world;
    uint8_t local_slot;  // NONE when not joined
    Vec2 camera;
    const Vec2* drawn;   // per slot
};

// Whether the local plane is present and owns a radar.
bool radar_on(const World& w, uint8_t local_slot);

// Appends the blips of every other living plane and every standing object.
void push_radar(CapsuleList& list, const RadarView& view);
