#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "world/geometry.h"
#include "world/random.h"

namespace {

const Vec2 SIZE{9600, 5400};

TEST(Wrap, CoordinatesLandInsideTheField) {
    struct Case {
        float in, out;
    } cases[] = {{-0.5f, 9599.5f}, {9600.0f, 0.0f}, {19200.25f, 0.25f}, {0.0f, 0.0f}, {-9600.0f, 0.0f}, {4800.0f, 4800.0f}};
    for (auto c : cases) EXPECT_EQ(wrap({c.in, 10}, SIZE).x, c.out) << c.in;
    EXPECT_EQ(wrap({10, -1}, SIZE).y, 5399.0f);
}

// A value just below 0 plus the size rounds to the size itself in float32;
// the second remainder takes that to 0, so nothing ever lands on the size.
TEST(Wrap, JustBelowZeroWrapsToZeroNotToTheSize) {
    EXPECT_EQ(wrap({-1e-5f, -1e-5f}, SIZE), (Vec2{0, 0}));
    EXPECT_EQ(wrap_angle(-1e-8f), 0.0f);
}

TEST(Wrap, DeltaTakesTheNearestCopy) {
    EXPECT_EQ(wrapped_delta({10, 0}, {9590, 0}, SIZE).x, -20.0f);
    EXPECT_EQ(wrapped_delta({9590, 0}, {10, 0}, SIZE).x, 20.0f);
    EXPECT_EQ(wrapped_delta({0, 5390}, {0, 5}, SIZE).y, 15.0f);
    EXPECT_EQ(wrapped_delta({100, 100}, {300, 50}, SIZE), (Vec2{200, -50}));
    EXPECT_EQ(length(wrapped_delta({10, 0}, {9590, 0}, SIZE)), 20.0f);
}

TEST(Wrap, AnglesLandInZeroToTwoPi) {
    EXPECT_EQ(wrap_angle(0.0f), 0.0f);
    EXPECT_EQ(wrap_angle(TWO_PI), 0.0f);
    EXPECT_FLOAT_EQ(wrap_angle(-1.0f), TWO_PI - 1.0f);
    EXPECT_FLOAT_EQ(wrap_angle(7.0f), 7.0f - TWO_PI);
}

TEST(Rotate, QuarterTurnAndInverse) {
    Vec2 v = rotate({1, 0}, 1.5707964f);
    EXPECT_NEAR(v.x, 0.0f, 1e-7f);
    EXPECT_NEAR(v.y, 1.0f, 1e-7f);
    Vec2 back = rotate_inverse(rotate({3, -2}, 0.7f), 0.7f);
    EXPECT_NEAR(back.x, 3.0f, 1e-5f);
    EXPECT_NEAR(back.y, -2.0f, 1e-5f);
}

const Vec2 COLLECTOR_HULL[6] = {{-28.05f, -5.1f}, {28.05f, -5.1f}, {28.05f, 5.1f},
                                {11.05f, 20.4f},  {-11.05f, 20.4f}, {-28.05f, 5.1f}};

TEST(PolygonBody, CollectorMassProperties) {
    WorldObject o = polygon_body(COLLECTOR_HULL, 6);
    EXPECT_NEAR(o.area, 1170.45f, 0.01f);
    EXPECT_NEAR(o.pos.x, 0.0f, 1e-5f);
    EXPECT_NEAR(o.pos.y, 5.95f, 1e-4f);
    EXPECT_NEAR(o.mass, 0.66883f, 1e-5f);
    EXPECT_NEAR(o.inertia, 169.27f, 0.01f);
    EXPECT_EQ(o.point_count, 6u);
    EXPECT_EQ(o.owner, NONE);
    EXPECT_EQ(o.upgrading_station, NONE);
    set_fixed_mass(o, 0.4071111f);
    EXPECT_NEAR(o.inertia, 103.04f, 0.01f);
}

TEST(PolygonBody, WindingDoesNotMatter) {
    Vec2 reversed[6];
    for (int i = 0; i < 6; ++i) reversed[i] = COLLECTOR_HULL[5 - i];
    WorldObject a = polygon_body(COLLECTOR_HULL, 6);
    WorldObject b = polygon_body(reversed, 6);
    EXPECT_FLOAT_EQ(a.area, b.area);
    EXPECT_FLOAT_EQ(a.pos.y, b.pos.y);
    EXPECT_FLOAT_EQ(a.inertia, b.inertia);
}

TEST(Xoshiro, MatchesTheReferenceOutputs) {
    Xoshiro256 g = make_xoshiro(0xcd11798beb4bdc34ull, 0xc0fca7e767de5b4aull, 0xeb938f4f5ea1cd44ull, 0x68bec2f2fcf2a87aull);
    EXPECT_EQ(next(g), 0x0c8598ce4266c452ull);
    EXPECT_EQ(next(g), 0x38b1a18fa4e90b9cull);

    Xoshiro256 h = make_xoshiro(0xcd11798beb4bdc34ull, 0xc0fca7e767de5b4aull, 0xeb938f4f5ea1cd44ull, 0x68bec2f2fcf2a87aull);
    EXPECT_EQ(std::bit_cast<uint32_t>(next_float(h)), 0x3d66c452u);
}

TEST(Xoshiro, FillUsesLittleEndianWordsAndTheLowBytesOfTheRest) {
    Xoshiro256 a = make_xoshiro(1, 2, 3, 4), b = a;
    uint8_t buf[11];
    fill(a, buf, sizeof buf);
    uint64_t w0 = next(b), w1 = next(b);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(buf[i], uint8_t(w0 >> (8 * i)));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(buf[8 + i], uint8_t(w1 >> (8 * i)));
}

TEST(Xoshiro, NextFloatStaysBelowOne) {
    Xoshiro256 g = seed_xoshiro(42);
    for (int i = 0; i < 100000; ++i) {
        float f = next_float(g);
        ASSERT_GE(f, 0.0f);
        ASSERT_LT(f, 1.0f);
    }
    // Raw outputs below 2^23 take the slow path; an all-zero state draws zeros forever.
    Xoshiro256 zero = make_xoshiro(0, 0, 0, 0);
    EXPECT_EQ(next_float(zero), 0.0f);
}

// next_float worked by hand from chosen state words, counting its draws.
// - (1, 0, 0, 0): the output rotl(1, 23) + 1 = 2^23 + 1 has 40 leading zeros:
//   mantissa 1, exponent 126 - 40: (1 + 2^-23) 2^-41, one draw.
// - (0, 1, 0, 0): the output is rotl(0, 23) + 0 = 0, below 2^23; the step
//   leaves s0 = 1 and s3 = rotl(1, 45) = 2^45, so the next output is
//   rotl(2^45 + 1, 23) + 1 = 2^23 + 17: z = 41 + 40 = 81, 2^-82, two draws.
// - (0, 0, 1, 0): the first two outputs are 0 (z = 41 + 64 = 105), the third
//   is 2^23 + 17 again; its low 32 bits or 0x7FF = 0x008007FF have 8 leading
//   zeros: z = 113, 2^-114, three draws.
TEST(Xoshiro, NextFloatTakesExtraDrawsForSmallOutputs) {
    struct Case {
        Xoshiro256 start;
        float value;
        int draws;
    } cases[] = {
        {make_xoshiro(1, 0, 0, 0), std::ldexp(1.0f + 0x1p-23f, -41), 1},
        {make_xoshiro(0, 1, 0, 0), 0x1p-82f, 2},
        {make_xoshiro(0, 0, 1, 0), 0x1p-114f, 3},
    };
    for (auto c : cases) {
        Xoshiro256 g = c.start, h = c.start;
        EXPECT_EQ(next_float(g), c.value) << c.draws;
        for (int i = 0; i < c.draws; ++i) next(h);
        EXPECT_EQ(std::memcmp(g.s, h.s, sizeof g.s), 0) << "the generator moved on by " << c.draws;
    }
}

TEST(HashDraw, MatchesTheReferenceOutputs) {
    uint32_t slot_try[2] = {0, 0};
    EXPECT_EQ(hash_draw(1, slot_try, 8), 0x1d267f9e2ebc0c79ull);
    float values[5] = {4800.0f, 2754.0f, 0.0f, 0.0f, 4.712389f};
    EXPECT_EQ(hash_draw(0, values, 20), 0xa789972193aacd2full);
}

TEST(HashDraw, FractionsAreTwentyFourBitsEach) {
    uint64_t h = 0x00FFFFFF00800000ull;
    EXPECT_EQ(hash_fraction_lo(h), 0.5f);
    EXPECT_EQ(hash_fraction_hi(h), 16777215.0f * 5.9604645e-8f);
}

}  // namespace

namespace {

// The shortcut for small differences must give the formula's exact bits,
// signed zeros included.
TEST(Wrap, DeltaMatchesTheFormulaBitForBit) {
    auto formula = [](float d, float size) { return d - size * std::round(d / size); };
    Xoshiro256 g = seed_xoshiro(99);
    std::vector<float> values = {0.0f, -0.0f, 1e-30f, -1e-30f, 2399.9998f, 2400.0f, -2400.0f, 4800.0f, -4800.0f,
                                 4799.9995f, 9600.0f, -9600.0f, 14400.0f, 1e30f, -1e30f};
    for (int i = 0; i < 200000; ++i) values.push_back((next_float(g) * 2.0f - 1.0f) * 20000.0f);
    for (float size : {9600.0f, 5400.0f, 1000.0f}) {
        for (float d : values) {
            Vec2 got = wrapped_delta({0, 0}, {d, d}, {size, size});
            float want = formula(d, size);
            ASSERT_EQ(std::bit_cast<uint32_t>(got.x), std::bit_cast<uint32_t>(want)) << d << " " << size;
        }
    }
}

}  // namespace
