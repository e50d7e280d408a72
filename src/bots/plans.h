#pragma once
// A bot's choice of what to do next, made every time it looks at the whole
// field: win when it can, stop anyone boarding, buy what the next stage of
// its game needs, fight who comes near, else the collector worth most for
// the time it takes.
#include "bots/bot_state.h"

// The orbit radius at which collectors are towed around a body.
float tow_orbit_radius(const CelestialBody& body);

// Sets the bot's goal, target and place.
void choose_goal(Bot& bot, const World& w);

// Whether the goal still makes sense in this world (its target may be gone).
bool goal_valid(const Bot& bot, const World& w);

// A 24-bit fraction in [0, 1) drawn from the bot's seed, its decision count
// and `salt`.
float bot_draw(const Bot& bot, uint32_t salt);
