// UTF-8 at the edges of each sequence length.
#include <gtest/gtest.h>

#include <string>

#include "render/text_utf8.h"

namespace {

TEST(TextUtf8, BoundariesOfEachLengthDecodeAndTheirNeighboursAreRejected) {
    const struct {
        const char* bytes;
        uint32_t code_point;
    } valid[] = {
        {"\x7F", 0x7F},         {"\xC2\x80", 0x80},         {"\xDF\xBF", 0x7FF},
        {"\xE0\xA0\x80", 0x800}, {"\xED\x9F\xBF", 0xD7FF},   {"\xEE\x80\x80", 0xE000},
        {"\xEF\xBF\xBF", 0xFFFF}, {"\xF0\x90\x80\x80", 0x10000}, {"\xF4\x8F\xBF\xBF", 0x10FFFF},
    };
    for (const auto& c : valid) {
        const std::string text = std::string("a") + c.bytes + "b";
        ASSERT_TRUE(is_valid_utf8(text)) << c.code_point;
        size_t at = 0;
        EXPECT_EQ(next_code_point(text, at), 'a');
        EXPECT_EQ(next_code_point(text, at), c.code_point);
        EXPECT_EQ(next_code_point(text, at), 'b');
        EXPECT_EQ(at, text.size());
    }
    const char* const invalid[] = {
        "\x80",              // continuation without a lead
        "\xC1\xBF",          // overlong U+7F
        "\xE0\x9F\xBF",      // overlong U+7FF
        "\xF0\x8F\xBF\xBF",  // overlong U+FFFF
        "\xED\xA0\x80",      // U+D800, a surrogate
        "\xED\xBF\xBF",      // U+DFFF
        "\xF4\x90\x80\x80",  // U+110000
        "\xF5\x80\x80\x80",  // no such lead byte
        "\xFF",
        "\xE2\x28\xA1",      // a second byte that is no continuation
        "\xF0\x90\x80",      // cut short
    };
    for (const char* bytes : invalid) EXPECT_FALSE(is_valid_utf8(std::string("ok") + bytes)) << bytes;
    EXPECT_TRUE(is_valid_utf8(""));
}

}  // namespace
