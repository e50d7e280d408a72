#pragma once
// The end of a round: a plane carrying enough of every resource that stays
// inside an exit vessel for `boarding_time` wins; while the round is over the
// winner rides in its vessel.
#include "world/world.h"

constexpr float BOARDING_STIFFNESS = 3.0f;
constexpr float BOARDING_DAMPING = 6.0f;
constexpr Vec2 VESSEL_SEAT{-10.0f, 0.0f};  // in the vessel's hull frame

// Where a boarding or winning plane sits in a vessel, in world coordinates.
Vec2 vessel_seat(const WorldObject& vessel);

// Whether `x` lies inside the object's hull, taken at its copy nearest `x`.
bool inside_object(const World& w, const WorldObject& o, Vec2 x);

// A won round whose countdown has run out: the server starts the next one.
inline bool round_finished(const World& w) { return w.winner != NONE && w.round_over_timer <= 0.0f; }

// The last phase of the step: the round-over update, or boarding (which may
// end the round).
void end_of_round(World& w);
