#pragma once
// Flying a plane by hand, as a player would: turn towards a heading, thrust
// when the nose points where the velocity should change, and keep clear of
// the sun and the planets. A plane turns 4 rad/s and thrusts 400 wu/s^2
// along its nose, so every plan here is a velocity the plane should have.
#include "world/world.h"

struct Steer {
    bool turn_left = false;
    bool turn_right = false;
    bool thrust = false;
};

// Signed angle from heading `from` to heading `to`, in [-pi, pi].
float angle_between(float from, float to);
// The heading of a direction (0 along +x).
float heading_of(Vec2 v);
// A direction of length 1, or (0, 0) for a (near) zero vector.
Vec2 unit(Vec2 v);

// Turns towards `heading`, holding still within a dead band smaller than one
// tick's turn.
void turn_toward(const Plane& p, float heading, Steer& s);

// Turns and thrusts so that the plane's velocity approaches `want`. False
// when it is already near enough: the caller may then point the nose
// wherever it likes.
bool match_velocity(const Plane& p, Vec2 want, Steer& s);

// The velocity that brings the plane to `point` (which moves with
// `point_vel`) and stops it within `stop_radius`, at most `cruise` fast
// relative to the point, going around any body in the way.
Vec2 approach_velocity(const World& w, const Plane& p, Vec2 point, Vec2 point_vel, float stop_radius, float cruise);

// The velocity that keeps the plane circling `body` at `radius`, in the
// sense it already goes around it (counter-clockwise when it does not yet).
Vec2 orbit_velocity(const World& w, const Plane& p, const CelestialBody& body, float radius);

// How near the plane may come to a body: the sun's heat reaches far (only a
// sun shield lets it closer), a planet only hurts on a fast crash.
float safe_distance(const Plane& p, const CelestialBody& body, const Rules& rules);

// `want` bent so that the plane never closes on a body faster than it can
// stop before that body's safe distance, and leaves when it is already
// inside.
Vec2 keep_clear(const World& w, const Plane& p, Vec2 want);
