#include "base/log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string line(LogLevel level, std::string_view message, bool colour) {
    char out[1024];
    size_t n = format_log_line(out, sizeof out, level, message, colour);
    return std::string(out, n);
}

TEST(Log, PlainLinesHaveLevelWordColonMessageNewline) {
    EXPECT_EQ(line(LogLevel::Info, "playing sound through dummy", false), "info: playing sound through dummy\n");
    EXPECT_EQ(line(LogLevel::Warning, "w", false), "warning: w\n");
    EXPECT_EQ(line(LogLevel::Error, "SdlFailed", false), "error: SdlFailed\n");
}

TEST(Log, ColourLinesHaveBoldColouredLevelAndDimSeparator) {
    EXPECT_EQ(line(LogLevel::Info, "m", true), "\x1b[1;32minfo\x1b[0m\x1b[2m: \x1b[0mm\n");
    EXPECT_EQ(line(LogLevel::Warning, "m", true), "\x1b[1;33mwarning\x1b[0m\x1b[2m: \x1b[0mm\n");
    EXPECT_EQ(line(LogLevel::Error, "m", true), "\x1b[1;31merror\x1b[0m\x1b[2m: \x1b[0mm\n");
}

TEST(Log, OverlongMessageIsCutButTheLineStillEnds) {
    char out[64];
    std::string message(200, 'x');
    size_t n = format_log_line(out, sizeof out, LogLevel::Warning, message, false);
    ASSERT_EQ(n, sizeof out);
    EXPECT_EQ(std::string(out, 9), "warning: ");
    EXPECT_EQ(out[n - 1], '\n');
}

TEST(Log, WritesOneLineToStandardError) {
    // A captured standard error is not a terminal, so the line is plain.
    testing::internal::CaptureStderr();
    log_line(LogLevel::Warning, "can't find server 'x': Overflow");
    log_format(LogLevel::Info, "listening on %s:%d", "0.0.0.0", 7777);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "warning: can't find server 'x': Overflow\ninfo: listening on 0.0.0.0:7777\n");
}

TEST(Log, TextBuilderJoinsNumbersAndCutsAtCapacity) {
    LogText t;
    t << "slot " << 0 << ", tick " << 18446744073709551615ull << ", delta " << -9223372036854775807ll - 1;
    EXPECT_EQ(t.view(), "slot 0, tick 18446744073709551615, delta -9223372036854775808");

    LogText full;
    for (int i = 0; i < 100; ++i) full << "0123456789";
    EXPECT_EQ(full.length, LogText::CAPACITY);
}

}  // namespace
