#include "world/collision.h"

#include <gtest/gtest.h>

#include <cmath>

#include "world/geometry.h"
#include "world/hulls.h"

namespace {

// Axis-aligned square with its lower corner at (x, y), counter-clockwise.
struct Square {
    Vec2 p[4];
};
Square square(float x, float y, float side = 10.0f) {
    return {{{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}}};
}

TEST(PolygonContact, SkinDecidesTouching) {
    struct Case {
        float gap;
        bool touching;
        float depth;
    } cases[] = {{3.0f, true, 2.0f}, {0.0f, true, 5.0f}, {5.0f, true, 0.0f}, {6.0f, false, 0.0f}, {-2.0f, true, 7.0f}};
    for (auto c : cases) {
        Square a = square(0, 0), b = square(10.0f + c.gap, 0);
        Contact k = polygon_contact(a.p, 4, b.p, 4);
        EXPECT_EQ(k.touching, c.touching) << c.gap;
        EXPECT_FLOAT_EQ(k.depth, c.depth) << c.gap;
        if (c.touching) {
            EXPECT_EQ(k.normal, (Vec2{1, 0})) << "points from the first shape to the second";
            EXPECT_FLOAT_EQ(k.point.x, 10.0f + c.gap);
            EXPECT_FLOAT_EQ(k.point.y, 5.0f);
        }
    }
}

TEST(PolygonContact, NormalFollowsTheOrderOfTheShapes) {
    Square a = square(0, 0), b = square(13, 2);
    Contact k = polygon_contact(b.p, 4, a.p, 4);
    ASSERT_TRUE(k.touching);
    EXPECT_EQ(k.normal, (Vec2{-1, 0}));
    EXPECT_FLOAT_EQ(k.depth, 2.0f);
}

TEST(PolygonContact, VertexAgainstFaceKeepsOnlyTheNearEnd) {
    Square a = square(0, 0);
    Vec2 diamond[4] = {{5, 12}, {10, 17}, {5, 22}, {0, 17}};  // lowest vertex 2 wu above the top face
    Vec2 reversed[4] = {{0, 17}, {5, 22}, {10, 17}, {5, 12}};  // the same, so the far end comes first
    for (const Vec2* d : {diamond, reversed}) {
        Contact k = polygon_contact(a.p, 4, d, 4);
        ASSERT_TRUE(k.touching);
        EXPECT_EQ(k.normal, (Vec2{0, 1}));
        EXPECT_EQ(k.point, (Vec2{5, 12}));
        EXPECT_FLOAT_EQ(k.depth, 3.0f);
    }
}

TEST(PolygonContact, ReferenceFaceOnTheSecondShapeFlipsTheNormal) {
    // The triangle's flat face is the better separating axis.
    Vec2 tri[3] = {{0, 0}, {10, 0}, {5, -8}};  // flat face on y = 0, apex up
    Vec2 diamond[4] = {{5, 3}, {9, 7}, {5, 11}, {1, 7}};
    Contact k = polygon_contact(diamond, 4, tri, 3);
    ASSERT_TRUE(k.touching);
    EXPECT_EQ(k.normal, (Vec2{0, -1}));
    EXPECT_EQ(k.point, (Vec2{5, 3}));
    EXPECT_FLOAT_EQ(k.depth, 2.0f);
}

// Turns points about the origin by `a`, with the library's own sine and cosine
// so that the expected values do not lean on the code under test.
Vec2 turned(Vec2 v, double a) {
    double c = std::cos(a), s = std::sin(a);
    return {static_cast<float>(v.x * c - v.y * s), static_cast<float>(v.x * s + v.y * c)};
}
constexpr double THIRTY_DEGREES = 0.5235987755982988;

// The clipping of the incident edge, worked by hand for a 10 x 10 square
// [0,10]^2 and a flat 2-wu-high box resting 2 wu above its top face, the whole
// scene turned by 30 degrees. Both separations are 2, so the square's top face
// (10,10) -> (0,10) is the reference: normal (0, 1), direction d = (-1, 0);
// the box's bottom edge is the incident one. The first clip cuts it at the
// face's start x = 10, the second at its end x = 0; the contact point is the
// middle of what is left, at depth 5 - 2 = 3. Listed the other way round,
// the box's bottom edge starts at its right end, so each end of the face cuts
// the other end of the incident edge: the same points must come out.
TEST(PolygonContact, IncidentEdgeIsClippedAtBothEndsOfTheFace) {
    struct Case {
        const char* what;
        float left, right;  // the box's extent in x
        Vec2 point;
    } cases[] = {
        {"overhangs the face's start", 4, 16, {7, 12}},   // E clipped from x 16 to 10
        {"overhangs the face's end", -6, 6, {3, 12}},     // v clipped from x -6 to 0
        {"overhangs both ends", -6, 16, {5, 12}},
    };
    for (auto c : cases) for (bool reversed : {false, true}) {
        Vec2 square[4], box[4];
        const Vec2 sq[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
        const Vec2 bx[4] = {{c.left, 12}, {c.right, 12}, {c.right, 14}, {c.left, 14}};
        for (int i = 0; i < 4; ++i) {
            square[i] = turned(sq[i], THIRTY_DEGREES);
            box[i] = turned(bx[reversed ? 3 - i : i], THIRTY_DEGREES);
        }
        SCOPED_TRACE(reversed ? "box listed clockwise" : "box listed counter-clockwise");
        Contact k = polygon_contact(square, 4, box, 4);
        ASSERT_TRUE(k.touching) << c.what;
        Vec2 point = turned(c.point, THIRTY_DEGREES), normal = turned({0, 1}, THIRTY_DEGREES);
        EXPECT_NEAR(k.point.x, point.x, 1e-4f) << c.what;
        EXPECT_NEAR(k.point.y, point.y, 1e-4f) << c.what;
        EXPECT_NEAR(k.normal.x, normal.x, 1e-6f) << c.what;
        EXPECT_NEAR(k.normal.y, normal.y, 1e-6f) << c.what;
        EXPECT_NEAR(k.depth, 3.0f, 1e-4f) << c.what;
    }
}

// Exact ties keep the first edge in each polygon's order.
// - Squares [0,10]^2 and [13,23]^2 meet corner to corner: the first square's
//   right edge (1) and top edge (2) both separate by 3, so the reference face
//   is the right one, normal (1, 0). No clipped point lies within the face,
//   so the contact is the nearest point (13, 13), depth 5 - 3 = 2.
// - A small diamond's vertex (12, 5) 2 wu off the square's right face: its
//   edges 0, (12,5) -> (14,7), and 3, (14,3) -> (12,5), face the square
//   equally, so the incident edge is edge 0, both of its ends within the skin:
//   the contact is their middle (13, 6), depth 3.
TEST(PolygonContact, TiesGoToTheFirstEdge) {
    Square a = square(0, 0);
    Square corner = square(13, 13);
    Contact k = polygon_contact(a.p, 4, corner.p, 4);
    ASSERT_TRUE(k.touching);
    EXPECT_EQ(k.normal, (Vec2{1, 0}));
    EXPECT_EQ(k.point, (Vec2{13, 13}));
    EXPECT_EQ(k.depth, 2.0f);

    // Mirrored below and to the left, [-13,-3]^2: the bottom face (0) and the
    // left face (3) tie at 3, the bottom face is the reference, and the
    // incident edge lies wholly before the face's start: the nearest point
    // of the incident square, (-3, -3), is the contact.
    Square below_left = square(-13, -13);
    k = polygon_contact(a.p, 4, below_left.p, 4);
    ASSERT_TRUE(k.touching);
    EXPECT_EQ(k.normal, (Vec2{0, -1}));
    EXPECT_EQ(k.point, (Vec2{-3, -3}));
    EXPECT_EQ(k.depth, 2.0f);

    const Vec2 diamond[4] = {{12, 5}, {14, 7}, {16, 5}, {14, 3}};
    k = polygon_contact(a.p, 4, diamond, 4);
    ASSERT_TRUE(k.touching);
    EXPECT_EQ(k.normal, (Vec2{1, 0}));
    EXPECT_EQ(k.point, (Vec2{13, 6}));
    EXPECT_EQ(k.depth, 3.0f);
}

// A segment grazing a side 2 wu away touches it first near one corner and
// last near the other; the hit is the earliest, wherever the edges come in
// the polygon's order. The square [-5,5]^2 and the segment y = -7, x from
// -20 to 20 (or back), turned by 30 degrees: the corner reached first is 15
// of the 40 wu away, t = 0.375, from either side.
TEST(SweepPolygon, GrazingHitIsTheEarliestEdgesFromEitherSide) {
    Vec2 sq[4];
    const Vec2 corners[4] = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
    for (int i = 0; i < 4; ++i) sq[i] = turned(corners[i], THIRTY_DEGREES);
    for (float direction : {1.0f, -1.0f}) {
        Vec2 start = turned({-20 * direction, -7}, THIRTY_DEGREES);
        Vec2 move = turned({40 * direction, 0}, THIRTY_DEGREES);
        SweepHit h = sweep_polygon(start, move, sq, 4);
        EXPECT_TRUE(h.hit) << direction;
        EXPECT_NEAR(h.t, 0.375f, 1e-5f) << direction;
    }
}

TEST(SweepPolygon, Cases) {
    Square s = square(-5, -5);  // [-5, 5] x [-5, 5]
    struct Case {
        const char* what;
        Vec2 start, displacement;
        bool hit;
        float t;
    } cases[] = {
        {"through the middle", {-20, 0}, {40, 0}, true, 0.375f},
        {"along an edge 2 wu away", {-20, 7}, {40, 0}, true, 0.375f},
        {"along an edge 3 wu away", {-20, 8}, {40, 0}, false, 0.0f},
        {"stops short", {-20, 0}, {10, 0}, false, 0.0f},
        {"starts inside", {1, 1}, {40, 0}, true, 0.0f},
        {"zero length inside", {1, 1}, {0, 0}, true, 0.0f},
        {"zero length within 2.5 of an edge", {7, 0}, {0, 0}, true, 0.0f},
        {"zero length outside", {8, 0}, {0, 0}, false, 0.0f},
        {"ends within reach of a corner", {-20, -7}, {14, 0}, true, 1.0f},
        // Never nearer than 2 to the bottom edge (at the end), but nearest to
        // the corner (-5, -5), 2.11 away, at t = (7, 3).(8, 1) / 65 = 59/65:
        // past the left edge's end, the corner is what counts.
        {"passes a corner before it is nearest to an edge", {-12, -8}, {8, 1}, true, 59.0f / 65.0f},
    };
    for (auto c : cases) {
        SweepHit h = sweep_polygon(c.start, c.displacement, s.p, 4);
        EXPECT_EQ(h.hit, c.hit) << c.what;
        EXPECT_FLOAT_EQ(h.t, c.t) << c.what;
    }
}

TEST(SweepPolygon, WindingDoesNotMatter) {
    Square s = square(-5, -5);
    Vec2 reversed[4] = {s.p[3], s.p[2], s.p[1], s.p[0]};
    SweepHit a = sweep_polygon({-20, 1}, {40, 0}, s.p, 4);
    SweepHit b = sweep_polygon({-20, 1}, {40, 0}, reversed, 4);
    EXPECT_TRUE(a.hit);
    EXPECT_EQ(a.t, b.t);
}

TEST(SweepCircle, Cases) {
    struct Case {
        const char* what;
        Vec2 e, f;
        bool hit;
        float t;
    } cases[] = {
        {"through the middle", {-20, 0}, {20, 0}, true, 0.25f},
        {"starts inside", {1, 0}, {30, 0}, true, 0.0f},
        {"on the circle", {10, 0}, {30, 0}, true, 0.0f},
        {"passes beside", {-20, 11}, {20, 11}, false, 0.0f},
        {"ends before", {-30, 0}, {-15, 0}, false, 0.0f},
        {"zero length outside", {20, 0}, {20, 0}, false, 0.0f},
        {"moving away", {15, 0}, {30, 0}, false, 0.0f},
        // The discriminant is exactly 0: 40^2 (20^2) - 4 (40^2) (20^2 + 10^2 - 10^2).
        {"grazes the top", {-20, 10}, {20, 10}, true, 0.5f},
        // (-Bq - sqrt(disc)) / 2A = (1200 - 400) / 800 = 1.
        {"ends on the circle", {-30, 0}, {-10, 0}, true, 1.0f},
    };
    for (auto c : cases) {
        SweepHit h = sweep_circle(c.e, c.f, {0, 0}, 10.0f);
        EXPECT_EQ(h.hit, c.hit) << c.what;
        EXPECT_FLOAT_EQ(h.t, c.t) << c.what;
    }
}

TEST(NearestBoundaryPoint, EdgesAndCorners) {
    Square s = square(0, 0);
    BoundaryPoint face = nearest_boundary_point(s.p, 4, {5, -7});
    EXPECT_TRUE(face.found);
    EXPECT_EQ(face.point, (Vec2{5, 0}));
    EXPECT_FLOAT_EQ(face.distance, 7.0f);
    BoundaryPoint corner = nearest_boundary_point(s.p, 4, {13, 14});
    EXPECT_EQ(corner.point, (Vec2{10, 10}));
    EXPECT_FLOAT_EQ(corner.distance, 5.0f);
    BoundaryPoint centre = nearest_boundary_point(s.p, 4, {5, 5});
    EXPECT_EQ(centre.point, (Vec2{5, 0})) << "the first of equally near edges";
    EXPECT_FALSE(nearest_boundary_point(s.p, 0, {5, 5}).found);
}

TEST(InsideConvex, BoundaryCountsAsInside) {
    Square s = square(0, 0);
    Vec2 reversed[4] = {s.p[3], s.p[2], s.p[1], s.p[0]};
    struct Case {
        Vec2 x;
        bool inside;
    } cases[] = {{{5, 5}, true}, {{0, 0}, true}, {{10, 10}, true}, {{10, 4}, true}, {{10.01f, 4}, false}, {{-1, 5}, false}, {{5, 11}, false}};
    for (auto c : cases) {
        EXPECT_EQ(inside_convex(s.p, 4, c.x), c.inside) << c.x.x << "," << c.x.y;
        EXPECT_EQ(inside_convex(reversed, 4, c.x), c.inside) << c.x.x << "," << c.x.y;
    }
}

BodyState plane_state(Vec2 pos, Vec2 vel) { return {pos, vel, 0.0f, 1.0f, 0.0f}; }

TEST(Respond, RestingContactIsOnlyPushedApart) {
    BodyState a = plane_state({0, 0}, {3, 1});
    BodyState b = plane_state({20, 0}, {3, -2});  // same normal velocity
    Contact c{{1, 0}, {10, 0}, 2.25f, true};
    float closing = respond(a, b, c);
    EXPECT_EQ(closing, 0.0f);
    EXPECT_EQ(a.vel, (Vec2{3, 1}));
    EXPECT_EQ(b.vel, (Vec2{3, -2}));
    EXPECT_FLOAT_EQ(a.pos.x, -0.8f);  // (2.25 - 0.25) * 0.8 shared by two unit inverse masses
    EXPECT_FLOAT_EQ(b.pos.x, 20.8f);

    BodyState s1 = plane_state({0, 0}, {-3, 0}), s2 = plane_state({20, 0}, {3, 0});  // separating
    EXPECT_EQ(respond(s1, s2, Contact{{1, 0}, {10, 0}, 2.25f, true}), 0.0f) << "never a negative closing speed";
    EXPECT_EQ(s1.vel, (Vec2{-3, 0}));
    EXPECT_EQ(s2.vel, (Vec2{3, 0}));
    EXPECT_FLOAT_EQ(s2.pos.x, 20.8f);

    BodyState c1 = plane_state({0, 0}, {0, 0}), c2 = plane_state({20, 0}, {0, 0});
    respond(c1, c2, Contact{{1, 0}, {10, 0}, 0.2f, true});
    EXPECT_EQ(c1.pos, (Vec2{0, 0})) << "depth within the slop";
    EXPECT_EQ(c2.pos, (Vec2{20, 0}));
}

TEST(Respond, HeadOnBounceAndImmovableBody) {
    BodyState a = plane_state({0, 0}, {10, 0});
    BodyState b = plane_state({20, 0}, {-10, 0});
    float closing = respond(a, b, Contact{{1, 0}, {10, 0}, 5.0f, true});
    EXPECT_FLOAT_EQ(closing, 20.0f);
    EXPECT_FLOAT_EQ(a.vel.x, -4.0f);  // restitution 0.4
    EXPECT_FLOAT_EQ(b.vel.x, 4.0f);

    BodyState body{{0, 0}, {0, 0}, 0.0f, 0.0f, 0.0f};
    BodyState mover = plane_state({100, 0}, {-50, 0});
    EXPECT_FLOAT_EQ(respond(body, mover, Contact{{1, 0}, {98, 0}, 3.0f, true}), 50.0f);
    EXPECT_EQ(body.pos, (Vec2{0, 0}));
    EXPECT_EQ(body.vel, (Vec2{0, 0}));
    EXPECT_FLOAT_EQ(mover.vel.x, 20.0f);
    EXPECT_FLOAT_EQ(mover.pos.x, 102.2f);
}

// One response worked by hand: a plane A at (0, 0) (inverse mass 1, no
// rotation) against an object B at (12, 14) (inverse mass 2, inverse inertia
// 0.01, spin 0.3, velocity (-5, -5)), normal n = (0.6, 0.8), contact point
// (6, 8), depth 3. rB = (-6, -6), rB x n = -1.2, rB x t = -8.4 for the tangent
// t = (-0.8, 0.6). B's contact point moves at (-5, -5) + 0.3 (6, -6) =
// (-3.2, -6.8).
// - A at (10, 0): vn = (-13.2, -6.8).n = -13.36; jn = 1.4 * 13.36 / (1 + 2 +
//   1.44 * 0.01) = 6.2048832. Afterwards the sliding is 7.1054 along t, which
//   would take 7.1054 / (3 + 70.56 * 0.01) = 1.9174903, more than 0.3 jn =
//   1.8614650: friction is that limit.
// - A at (8, 6): vn = -16.96, jn = 7.8768577; sliding 2.0739 along t takes
//   0.5596900, under the limit: the contact ends up rolling, not sliding.
// The positions move apart by (3 - 0.25) * 0.8 / 3 = 0.7333333 per unit of
// inverse mass along n.
TEST(Respond, WorkedCasesWithFriction) {
    struct Case {
        Vec2 a_vel;
        float closing;
        Vec2 a_after, b_after;
        float spin_after;
    } cases[] = {
        {{10, 0}, 13.36f, {4.7878981f, -3.8470276f}, {5.4242038f, 2.6940552f}, 0.3819045f},
        {{8, 6}, 16.96f, {2.8261334f, 0.0343278f}, {5.3477333f, 6.9313444f}, 0.2524917f},
    };
    const Vec2 n{0.6f, 0.8f}, q{6, 8};
    for (auto c : cases) {
        BodyState a = plane_state({0, 0}, c.a_vel);
        BodyState b{{12, 14}, {-5, -5}, 0.3f, 2.0f, 0.01f};
        EXPECT_NEAR(respond(a, b, Contact{n, q, 3.0f, true}), c.closing, 1e-4f);
        EXPECT_NEAR(a.vel.x, c.a_after.x, 1e-4f) << c.a_vel.x;
        EXPECT_NEAR(a.vel.y, c.a_after.y, 1e-4f) << c.a_vel.x;
        EXPECT_NEAR(b.vel.x, c.b_after.x, 1e-4f) << c.a_vel.x;
        EXPECT_NEAR(b.vel.y, c.b_after.y, 1e-4f) << c.a_vel.x;
        EXPECT_NEAR(b.spin, c.spin_after, 1e-6f) << c.a_vel.x;
        EXPECT_EQ(a.spin, 0.0f);
        EXPECT_NEAR(a.pos.x, -0.44f, 1e-5f);
        EXPECT_NEAR(a.pos.y, -0.5866667f, 1e-5f);
        EXPECT_NEAR(b.pos.x, 12.88f, 1e-5f);
        EXPECT_NEAR(b.pos.y, 15.173333f, 1e-5f);
    }
}

// Two objects (inverse mass and inertia 1) meeting off-centre: A at (0, 0)
// moving (1, 0), B at (10, 0) at rest, contact point (5, 2), normal (1, 0).
// rA = (5, 2), rB = (-5, 2), both crossed with n give -2, so jn = 1.4 / (1 + 1
// + 4 + 4) = 0.14: A keeps 0.86, B takes 0.14, and each turns by its arm
// crossed with the impulse, A by +0.28 and B by -0.28. Afterwards the contact
// points move alike along the face, so there is no friction.
TEST(Respond, ImpulseTurnsBothObjectsByTheirArms) {
    BodyState a{{0, 0}, {1, 0}, 0.0f, 1.0f, 1.0f};
    BodyState b{{10, 0}, {0, 0}, 0.0f, 1.0f, 1.0f};
    EXPECT_FLOAT_EQ(respond(a, b, Contact{{1, 0}, {5, 2}, 0.0f, true}), 1.0f);
    EXPECT_FLOAT_EQ(a.vel.x, 0.86f);
    EXPECT_FLOAT_EQ(b.vel.x, 0.14f);
    EXPECT_EQ(a.vel.y, 0.0f);
    EXPECT_EQ(b.vel.y, 0.0f);
    EXPECT_FLOAT_EQ(a.spin, 0.28f);
    EXPECT_FLOAT_EQ(b.spin, -0.28f);
}

TEST(Respond, PlaneNeverGainsSpinButObjectDoes) {
    BodyState plane = plane_state({0, 0}, {30, 5});
    BodyState object{{40, 0}, {-20, 0}, 0.0f, 1.0f / 0.4f, 1.0f / 100.0f};
    float closing = respond(plane, object, Contact{{1, 0}, {20, 15}, 4.0f, true});
    EXPECT_GT(closing, 0.0f);
    EXPECT_EQ(plane.spin, 0.0f);
    EXPECT_NE(object.spin, 0.0f);
    EXPECT_LT(plane.vel.x, 30.0f);
}

TEST(Hulls, PlaneTriangleAndObjectRadius) {
    Vec2 tri[3];
    plane_hull({100, 200}, 0.0f, tri);
    EXPECT_EQ(tri[0], (Vec2{114, 200}));
    EXPECT_EQ(tri[1], (Vec2{90, 211}));
    EXPECT_EQ(tri[2], (Vec2{90, 189}));
    EXPECT_LE(length(tri[1] - Vec2{100, 200}), PLANE_RADIUS);

    WorldObject o{};
    EXPECT_EQ(object_radius(o), 2.5f);
    o.points[0] = {3, 4};
    o.points[1] = {-6, 8};
    o.points[2] = {1, 1};
    o.point_count = 3;
    EXPECT_EQ(object_radius(o), 12.5f);
    o.point_count = 200;  // from a hostile server: never read past the array
    Vec2 out[MAX_HULL_POINTS];
    EXPECT_EQ(object_hull_at(o, {0, 0}, out), MAX_HULL_POINTS);
}

}  // namespace
