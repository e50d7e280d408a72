#include "audio/soft_tanh.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

// Distance in representable floats between two finite floats of one sign.
int64_t ulps_apart(float a, float b) {
    return std::llabs(static_cast<int64_t>(std::bit_cast<int32_t>(a)) - std::bit_cast<int32_t>(b));
}

// Both branches (the continued fraction below 0.55, the exponential form
// above) and their meeting point, within one unit in the last place of the
// double-precision tanh.
TEST(SoftTanh, WithinOneUlpAcrossTheRange) {
    int64_t worst = 0;
    float worst_x = 0;
    for (float x = 1e-6f; x < 12.0f; x = x * 1.0007f + 1e-7f) {
        const float expected = static_cast<float>(std::tanh(static_cast<double>(x)));
        const int64_t off = ulps_apart(ftanh(x), expected);
        if (off > worst) {
            worst = off;
            worst_x = x;
        }
        ASSERT_EQ(ftanh(-x), -ftanh(x)) << x;
    }
    EXPECT_LE(worst, 1) << "at " << worst_x;
    for (float x : {0.5499999f, 0.55f, 0.5500001f, 9.0f, 9.0999994f}) {
        EXPECT_LE(ulps_apart(ftanh(x), static_cast<float>(std::tanh(static_cast<double>(x)))), 1) << x;
    }
}

TEST(SoftTanh, SpecialValues) {
    EXPECT_EQ(ftanh(9.2f), 1.0f);
    EXPECT_EQ(ftanh(-1e30f), -1.0f);
    EXPECT_EQ(ftanh(std::numeric_limits<float>::infinity()), 1.0f);
    EXPECT_EQ(ftanh(-std::numeric_limits<float>::infinity()), -1.0f);
    EXPECT_TRUE(std::isnan(ftanh(std::numeric_limits<float>::quiet_NaN())));
    EXPECT_EQ(std::bit_cast<uint32_t>(ftanh(-0.0f)), std::bit_cast<uint32_t>(-0.0f));
    EXPECT_EQ(ftanh(1e-30f), 1e-30f);
    // Just below the saturation point the result is still below 1.
    EXPECT_LT(ftanh(8.5f), 1.0f);
}

}  // namespace
