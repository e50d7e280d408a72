// The portable float32 functions: exact known values, special values, the
// agreement of fsincos with fsin and fcos, and a sample of every function
// against the long double reference (the long check is fmath_check).
#include "world/fmath.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "world/fmath_internal.h"

namespace {

enum class Fn { Sin, Cos, Exp, Atan2 };

float call(Fn fn, float a, float b) {
    switch (fn) {
        case Fn::Sin: return fsin(a);
        case Fn::Cos: return fcos(a);
        case Fn::Exp: return fexp(a);
        case Fn::Atan2: return fatan2(a, b);
    }
    return 0;
}

uint32_t bits(float f) { return std::bit_cast<uint32_t>(f); }

struct Known {
    Fn fn;
    float a;
    float b;  // x of atan2(a, b)
    float want;
};

// Correctly rounded results computed at 300 bits with an arbitrary-precision
// library, so they hold on every platform. They include a fraction of a
// quarter turn near zero (sin pi), arguments reduced through the 2/pi table
// (1e20, 3.4e38), subnormal results and arguments just around halfway cases
// (cos 2^-12 lies 2^-52.6 above the midpoint under 1).
TEST(Fmath, KnownValuesAreCorrectlyRounded) {
    const Known cases[] = {
        {Fn::Sin, 0x1p+0f, 0.0f, 0x1.aed548p-1f},  // 1 -> 0.841470957
        {Fn::Sin, 0x1.921fb6p+1f, 0.0f, -0x1.777a5cp-24f},  // 3.14159274 -> -8.74227766e-08
        {Fn::Sin, 0x1.9p+6f, 0.0f, -0x1.03425cp-1f},  // 100 -> -0.506365657
        {Fn::Sin, 0x1.e848p+19f, 0.0f, -0x1.6664b2p-2f},  // 1000000 -> -0.349993497
        {Fn::Sin, 0x1.5af1d8p+66f, 0.0f, 0x1.502ad2p-1f},  // 1.00000002e+20 -> 0.656576693
        {Fn::Sin, -0x1.ep+2f, 0.0f, -0x1.e04188p-1f},  // -7.5 -> -0.937999964
        {Fn::Sin, 0x1.ff933cp+127f, 0.0f, -0x1.f3e2c6p-3f},  // 3.39999995e+38 -> -0.24408488
        {Fn::Cos, 0x1p+0f, 0.0f, 0x1.14a28p-1f},  // 1 -> 0.540302277
        {Fn::Cos, 0x1.921fb6p+1f, 0.0f, -0x1p+0f},  // 3.14159274 -> -1
        {Fn::Cos, 0x1.921fb6p+0f, 0.0f, -0x1.777a5cp-25f},  // 1.57079637 -> -4.37113883e-08
        {Fn::Cos, 0x1p-12f, 0.0f, 0x1p+0f},  // 0.000244140625 -> 1
        {Fn::Cos, 0x1.e848p+19f, 0.0f, 0x1.df9dfap-1f},  // 1000000 -> 0.936752141
        {Fn::Cos, 0x1.5af1d8p+66f, 0.0f, 0x1.822e46p-1f},  // 1.00000002e+20 -> 0.754259288
        {Fn::Cos, -0x1.99999ap-4f, 0.0f, 0x1.fd713p-1f},  // -0.100000001 -> 0.995004177
        {Fn::Exp, 0x1p+0f, 0.0f, 0x1.5bf0a8p+1f},  // 1 -> 2.71828175
        {Fn::Exp, -0x1p+0f, 0.0f, 0x1.78b564p-2f},  // -1 -> 0.36787945
        {Fn::Exp, 0x1.4p+3f, 0.0f, 0x1.5829dcp+14f},  // 10 -> 22026.4648
        {Fn::Exp, 0x1.62ccccp+6f, 0.0f, 0x1.f46ff8p+127f},  // 88.6999969 -> 3.32597686e+38
        {Fn::Exp, -0x1.5cp+6f, 0.0f, 0x1.666d0ep-126f},  // -87 -> 1.64581145e-38
        {Fn::Exp, -0x1.9p+6f, 0.0f, 0x1.bp-145f},  // -100 -> 3.78350585e-44
        {Fn::Exp, -0x1.9f999ap+6f, 0.0f, 0x1p-149f},  // -103.900002 -> 1.40129846e-45
        {Fn::Exp, 0x1p-24f, 0.0f, 0x1.000002p+0f},  // 5.96046448e-08 -> 1.00000012
        {Fn::Exp, -0x1p-25f, 0.0f, 0x1p+0f},  // -2.98023224e-08 -> 1
        {Fn::Exp, 0x1.99999ap-4f, 0.0f, 0x1.1aec7cp+0f},  // 0.100000001 -> 1.10517097
        {Fn::Atan2, 0x1p+0f, 0x1p+0f, 0x1.921fb6p-1f},  // (1, 1) -> 0.785398185
        {Fn::Atan2, 0x1.333334p-2f, 0x1p+1f, 0x1.30ed38p-3f},  // (0.300000012, 2) -> 0.148889959
        {Fn::Atan2, 0x1p+1f, 0x1.333334p-2f, 0x1.6c020ep+0f},  // (2, 0.300000012) -> 1.42190635
        {Fn::Atan2, -0x1.4p+2f, -0x1.99999ap-4f, -0x1.973e4p+0f},  // (-5, -0.100000001) -> -1.59079361
        {Fn::Atan2, 0x1.4484cp-100f, 0x1.2a05f2p+33f, 0x1.16c2p-133f},  // (1e-30, 1e+10) -> 9.9999461e-41
        {Fn::Atan2, 0x1.8p+1f, -0x1p+2f, 0x1.3fc176p+1f},  // (3, -4) -> 2.49809146
        {Fn::Atan2, -0x1.8p+1f, -0x1p+2f, -0x1.3fc176p+1f},  // (-3, -4) -> -2.49809146
        {Fn::Atan2, 0x1.77p+13f, -0x1.28ep+13f, 0x1.1ec696p+1f},  // (12000, -9500) -> 2.24043536
        {Fn::Atan2, 0x1p-149f, -0x1p+0f, 0x1.921fb6p+1f},  // (1.40129846e-45, -1) -> 3.14159274
    };
    for (const Known& k : cases)
        EXPECT_EQ(bits(call(k.fn, k.a, k.b)), bits(k.want))
            << "function " << int(k.fn) << " of " << k.a << ", " << k.b << " gave " << call(k.fn, k.a, k.b);
}

TEST(Fmath, ExactValuesAndSignedZeros) {
    EXPECT_EQ(bits(fsin(0.0f)), bits(0.0f));
    EXPECT_EQ(bits(fsin(-0.0f)), bits(-0.0f));
    EXPECT_EQ(fcos(0.0f), 1.0f);
    EXPECT_EQ(fcos(-0.0f), 1.0f);
    EXPECT_EQ(fexp(0.0f), 1.0f);
    EXPECT_EQ(fexp(-0.0f), 1.0f);
    EXPECT_EQ(fexp(1.0f), 2.7182817f);
    EXPECT_EQ(fatan2(1.0f, 1.0f), 0.785398185f);
    // sin x rounds to x for tiny x, subnormals included.
    EXPECT_EQ(fsin(FLT_TRUE_MIN), FLT_TRUE_MIN);
    EXPECT_EQ(fsin(-1e-20f), -1e-20f);
    EXPECT_EQ(fsin(0x1.fffffep-13f), 0x1.fffffep-13f);
}

TEST(Fmath, SpecialValues) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // NaN results are one quiet NaN on every platform, whatever came in.
    const uint32_t quiet_nan = 0x7fc00000u;
    const float payload_nan = std::bit_cast<float>(0xfff719e6u);
    for (float x : {nan, payload_nan, inf, -inf}) {
        EXPECT_EQ(bits(fsin(x)), quiet_nan) << x;
        EXPECT_EQ(bits(fcos(x)), quiet_nan) << x;
        float s = 0, c = 0;
        fsincos(x, s, c);
        EXPECT_EQ(bits(s), quiet_nan) << x;
        EXPECT_EQ(bits(c), quiet_nan) << x;
    }
    EXPECT_EQ(bits(fexp(payload_nan)), quiet_nan);
    EXPECT_EQ(bits(fatan2(payload_nan, 1.0f)), quiet_nan);
    EXPECT_EQ(bits(fatan2(2.0f, payload_nan)), quiet_nan);
    EXPECT_EQ(fexp(inf), inf);
    EXPECT_EQ(bits(fexp(-inf)), bits(0.0f));
    // Overflow just past the largest float, underflow through the subnormals.
    EXPECT_EQ(fexp(88.72283f), 0x1.ffff08p+127f);
    EXPECT_EQ(fexp(88.72284f), inf);
    EXPECT_EQ(fexp(100.0f), inf);
    EXPECT_EQ(fexp(-103.9f), FLT_TRUE_MIN);
    EXPECT_EQ(bits(fexp(-103.98f)), bits(0.0f));
    EXPECT_EQ(bits(fexp(-200.0f)), bits(0.0f));
}

TEST(Fmath, Atan2OfZerosInfinitiesAndNaN) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float pi = 3.14159274f;
    const float half_pi = 1.57079637f;
    struct Case {
        float y, x, want;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 0.0f},         {-0.0f, 0.0f, -0.0f},     {0.0f, -0.0f, pi},        {-0.0f, -0.0f, -pi},
        {0.0f, 5.0f, 0.0f},         {-0.0f, 5.0f, -0.0f},     {0.0f, -5.0f, pi},        {-0.0f, -5.0f, -pi},
        {3.0f, 0.0f, half_pi},      {3.0f, -0.0f, half_pi},   {-3.0f, 0.0f, -half_pi},  {-3.0f, -0.0f, -half_pi},
        {inf, inf, 0.785398185f},   {-inf, inf, -0.785398185f}, {inf, -inf, 2.3561945f}, {-inf, -inf, -2.3561945f},
        {inf, 7.0f, half_pi},       {-inf, -7.0f, -half_pi},  {7.0f, inf, 0.0f},        {-7.0f, inf, -0.0f},
        {7.0f, -inf, pi},           {-7.0f, -inf, -pi},       {inf, 0.0f, half_pi},     {0.0f, -inf, pi},
    };
    for (const Case& c : cases) EXPECT_EQ(bits(fatan2(c.y, c.x)), bits(c.want)) << "atan2(" << c.y << ", " << c.x << ")";
    EXPECT_TRUE(std::isnan(fatan2(nan, 1.0f)));
    EXPECT_TRUE(std::isnan(fatan2(1.0f, nan)));
    EXPECT_TRUE(std::isnan(fatan2(nan, inf)));
    EXPECT_TRUE(std::isnan(fatan2(-inf, nan)));
}

// The float nearest to a long double reference value.
// The reference is the C library's long double functions: they need a
// 64-bit significand and must reduce large arguments correctly, which
// mingw-w64's sinl and cosl (the x87 unit's fsin, whose pi has 66 bits) do
// not: their sin(2^46) is 3e-9 off.
bool reference_available() {
    volatile long double x = 0x1p46L;  // not a constant: the compiler would fold the call
    return LDBL_MANT_DIG >= 64 && std::fabs(sinl(x) - 0.999473052483799498L) < 1e-15L;
}

struct Tally {
    int checked = 0;
    int wrong = 0;
    double max_ulps = 0;

    void add(float got, long double ref) {
        ++checked;
        if (bits(got) != bits(static_cast<float>(ref))) ++wrong;
        if (!std::isfinite(got)) return;  // overflow: compared above
        long double r = std::fabs(ref);
        long double ulp = r < 0x1p-126L ? 0x1p-149L : std::ldexp(1.0L, std::ilogb(r) - 23);
        double e = static_cast<double>(std::fabs(static_cast<long double>(got) - ref) / ulp);
        if (e > max_ulps) max_ulps = e;
    }
};

// A few hundred thousand inputs from the ranges the game uses and from the
// whole float range. Every result must be the correctly rounded float (the
// long check finds no exception among billions of inputs).
TEST(Fmath, SampleAgainstLongDoubleReference) {
    if (!reference_available()) GTEST_SKIP() << "the C library's long double functions are not precise enough here";
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<float> angle(-100.0f, 100.0f);
    std::uniform_real_distribution<float> coord(-20000.0f, 20000.0f);
    std::uniform_real_distribution<float> exponent(-104.0f, 89.0f);
    auto any_finite = [&] {
        for (;;) {
            float f = std::bit_cast<float>(static_cast<uint32_t>(rng()));
            if (std::isfinite(f)) return f;
        }
    };
    Tally sin_t, cos_t, exp_t, atan_t;
    for (int i = 0; i < 60000; ++i) {
        float x = (i % 4 == 3) ? any_finite() : angle(rng);
        long double s, c;
        sincosl(x, &s, &c);
        sin_t.add(fsin(x), s);
        cos_t.add(fcos(x), c);
        float e = (i % 4 == 3) ? std::ldexp(angle(rng), -(i % 40)) : exponent(rng);
        exp_t.add(fexp(e), expl(e));
        float ay = (i % 4 == 3) ? any_finite() : coord(rng);
        float ax = (i % 4 == 3) ? any_finite() : coord(rng);
        atan_t.add(fatan2(ay, ax), atan2l(ay, ax));
    }
    for (const Tally* t : {&sin_t, &cos_t, &exp_t, &atan_t}) {
        EXPECT_EQ(t->checked, 60000);
        EXPECT_EQ(t->wrong, 0);
        EXPECT_LE(t->max_ulps, 0.5 + 1e-6);
    }
}

// The careful paths decide only about one input in four million, so they are
// checked here on ordinary inputs of their own.
TEST(Fmath, CarefulPathsAreCorrectlyRounded) {
    if (!reference_available()) GTEST_SKIP() << "the C library's long double functions are not precise enough here";
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> angle(-100.0f, 100.0f);
    std::uniform_real_distribution<float> exponent(-103.9f, 88.7f);
    std::uniform_real_distribution<float> coord(-20000.0f, 20000.0f);
    int wrong = 0;
    for (int i = 0; i < 3000; ++i) {
        float x = (i % 3 == 0) ? std::ldexp(angle(rng), 20 + i % 100) : angle(rng);
        long double s, c;
        sincosl(x, &s, &c);
        wrong += fmath_internal::sin_careful(x) != static_cast<float>(s);
        wrong += fmath_internal::cos_careful(x) != static_cast<float>(c);
        float e = exponent(rng);
        wrong += fmath_internal::exp_careful(e) != static_cast<float>(expl(e));
        float ay = coord(rng), ax = coord(rng);
        if (ay != 0 && ax != 0) wrong += fmath_internal::atan2_careful(ay, ax) != static_cast<float>(atan2l(ay, ax));
    }
    EXPECT_EQ(wrong, 0);
}

// Inputs whose fast value lies near a halfway point, found by the long check:
// the careful path decides them.
TEST(Fmath, HalfwayCasesTakeTheCarefulPath) {
    EXPECT_FALSE(fmath_internal::rounds_safely(fmath_internal::cos_fast(0x1p-12f)));
    EXPECT_EQ(fcos(0x1p-12f), 1.0f);
    EXPECT_FALSE(fmath_internal::rounds_safely(fmath_internal::exp_fast(0x1p-24f)));
    EXPECT_EQ(fexp(0x1p-24f), 0x1.000002p+0f);
}

TEST(Fmath, SincosMatchesSinAndCosBitForBit) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> angle(-1000.0f, 1000.0f);
    int differ = 0;
    for (int i = 0; i < 20000; ++i) {
        float a = (i % 5 == 0) ? std::bit_cast<float>(static_cast<uint32_t>(rng())) : angle(rng);
        float s = 0, c = 0;
        fsincos(a, s, c);
        float s1 = fsin(a), c1 = fcos(a);
        if (std::isnan(a)) {
            differ += !(std::isnan(s) && std::isnan(c));
            continue;
        }
        differ += bits(s) != bits(s1) || bits(c) != bits(c1);
    }
    EXPECT_EQ(differ, 0);
}

}  // namespace
