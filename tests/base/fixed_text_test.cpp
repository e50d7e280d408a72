// Numbers as the HUD, the menus and the log write them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "base/fixed_text.h"

namespace {

template <typename T>
std::string written(T value) {
    FixedText<64> text;
    text << value;
    return std::string(text.view());
}

TEST(FixedText, FloatsInTheirShortestRoundTripForm) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {3.0f, "3"},         // integral: no fraction
        {0.1f, "0.1"},       // not 0.100000001
        {-2.5f, "-2.5"},
        {0.0f, "0"},
        {16777216.0f, "16777216"},
        {1.0f / 3.0f, "0.33333334"},
    };
    for (const auto& c : cases) EXPECT_EQ(written(c.value), c.text) << c.text;
}

TEST(FixedText, IntegersInPlainDecimalAndTheBanner) {
    EXPECT_EQ(written(uint32_t{0}), "0");
    EXPECT_EQ(written(uint32_t{4294967295u}), "4294967295");
    EXPECT_EQ(written(uint8_t{7}), "7");  // a number, not a character
    FixedText<32> banner;
    banner << "Player " << 3 << " wins";
    EXPECT_EQ(banner.view(), "Player 3 wins");
}

TEST(FixedText, AppendsPastTheCapacityAreCut) {
    FixedText<8> text;
    text << "Shield " << 100u;
    EXPECT_EQ(text.view(), "Shield 1");
}

}  // namespace
