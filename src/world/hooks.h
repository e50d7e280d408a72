#pragma once
// The hauling hook: launched backwards from the nose, it catches any object it
// sweeps into and tows it on an elastic rope, or flies on to the end of its
// line and trails there until it is reeled in.
#include "world/world.h"

constexpr float HOOK_NOSE_OFFSET = 14.0f;
constexpr float HOOK_LAUNCH_SPEED = 650.0f;  // backwards, relative to the plane
constexpr float HOOK_LINE = 320.0f;
constexpr float ROPE_MIN = 40.0f;
constexpr float ROPE_STIFFNESS = 30.0f;
constexpr float ROPE_DAMPING = 4.0f;
constexpr float HOOK_REEL_SPEED = 900.0f;
constexpr float HOOK_STOW_DISTANCE = 27.5f;

// Launches the stowed hook (a fresh press of the hook key).
void fire_hook(World& w, Plane& p);

// One tick of a deployed hook, by its state.
void update_hook(World& w, Plane& p);

// Back in the plane: every hook field zero.
void stow_hook(Plane& p);
