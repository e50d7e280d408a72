// The kept files' lines: names, values, comments and the faults.
#include "base/key_values.h"

#include <gtest/gtest.h>

namespace {

TEST(KeyValues, LinesCommentsAndFaults) {
    std::string_view text = "# a comment\n\n volume =  80 \r\nname=a = b\nbroken\n";
    int line = 0;
    KeyValue kv;
    const char* error = nullptr;
    ASSERT_TRUE(next_key_value(text, line, kv, error));
    EXPECT_EQ(kv.key, "volume");
    EXPECT_EQ(kv.value, "80");
    EXPECT_EQ(kv.line, 3);
    ASSERT_TRUE(next_key_value(text, line, kv, error));
    EXPECT_EQ(kv.value, "a = b");
    EXPECT_FALSE(next_key_value(text, line, kv, error));
    EXPECT_STREQ(error, "a line without '='");
    EXPECT_EQ(line, 5);
    EXPECT_FALSE(next_key_value(text, line, kv, error));
    EXPECT_EQ(error, nullptr) << "the end";
}

}  // namespace
