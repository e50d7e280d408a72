#pragma once
// Geometric tests and the impulse response behind every contact of the step.
// Shapes are convex polygons of at most 8 points in world coordinates, already
// placed at their nearest wrapped copies by the caller. Every formula keeps
// the float32 order of operations that client and server share.
#include "world/vec2.h"

// Shapes closer than this count as touching; a reported depth includes it.
constexpr float CONTACT_SKIN = 5.0f;
// Shots and hooks are segments of this radius when swept against polygons.
constexpr float SEGMENT_RADIUS_SQUARED = 6.25f;

struct Contact {
    Vec2 normal;  // unit, from the first shape toward the second
    Vec2 point;
    float depth;
    bool touching;
};

struct BodyState {
    Vec2 pos;
    Vec2 vel;
    float spin;
    float inv_mass;
    float inv_inertia;
};

struct SweepHit {
    bool hit;
    float t;  // fraction of the displacement, in [0, 1]
};

struct BoundaryPoint {
    bool found;  // false only for a polygon without points
    Vec2 point;
    float distance;
};

// Outward unit normal of every edge i (p[i] -> p[i+1], the last closing to p[0]).
void edge_normals(const Vec2* poly, int n, Vec2* out);

// Separating axes with a 5 wu skin, then clipping of the incident edge.
Contact polygon_contact(const Vec2* a, int na, const Vec2* b, int nb);

// A segment of radius 2.5 moving from `start` by `displacement` against a polygon.
SweepHit sweep_polygon(Vec2 start, Vec2 displacement, const Vec2* poly, int n);

// The segment e -> f against a circle; starting inside hits at t = 0.
SweepHit sweep_circle(Vec2 e, Vec2 f, Vec2 centre, float radius);

// The point of the polygon's boundary nearest to c (first edge wins ties).
BoundaryPoint nearest_boundary_point(const Vec2* poly, int n, Vec2 c);

// A point on an edge or a vertex counts as inside.
bool inside_convex(const Vec2* poly, int n, Vec2 x);

// Impulse with restitution and friction, then position correction. Returns the
// closing speed before the response (0 when separating).
float respond(BodyState& a, BodyState& b, const Contact& c);
