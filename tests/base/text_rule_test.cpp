// The one text rule: what it accepts, and that the log's escaping writes out
// exactly what it refuses.
#include "base/text_rule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TextRule, AcceptsShownTextRefusesWhatTerminalsAndRenderersActOn) {
    const struct {
        std::string_view text;
        bool acceptable;
    } cases[] = {
        {"Friday night", true},
        {"ünïcode 中 🚀 \xc2\xa0 \xe2\x80\xaf", true},  // U+00A0 and U+202F are plain spaces
        {"", true},
        {"\\", true},
        {std::string_view("a\0b", 3), false},
        {"tab\there", false},
        {"del\x7f", false},
        {"\x1b[2J", false},
        {"csi \xc2\x9b" "31m", false},          // U+009B
        {"\xc2\x80", false},                    // U+0080, the first C1
        {"\xc2\x9f", false},                    // U+009F, the last
        {"abc\xe2\x80\xae" "cba", false},       // U+202E, right-to-left override
        {"\xe2\x80\xaa", false},                // U+202A
        {"\xe2\x80\x8e", false},                // U+200E
        {"\xe2\x80\x8f", false},                // U+200F
        {"\xe2\x81\xa6", false},                // U+2066
        {"\xe2\x81\xa9", false},                // U+2069
        {"\xd8\x9c", false},                    // U+061C, Arabic letter mark
        {"\xe2\x80\xa8", false},                // U+2028, line separator
        {"\xe2\x80\xa9", false},                // U+2029, paragraph separator
        {"\xe2\x81\xa5", true},                 // U+2065: unassigned, not a control
        {"\xff", false},                        // not UTF-8
        {"\xc3", false},                        // cut short
        {"\xc0\xaf", false},                    // overlong
        {"\xed\xa0\x80", false},                // a surrogate
        {"\xf4\x90\x80\x80", false},            // above U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(is_acceptable_text(c.text), c.acceptable) << std::string(c.text);
        // The log changes an acceptable text only by doubling its backslashes.
        LogText line;
        append_escaped_text(line, c.text);
        const bool unchanged = line.view() == c.text;
        EXPECT_EQ(unchanged, c.acceptable && c.text.find('\\') == std::string_view::npos) << std::string(c.text);
    }
}

}  // namespace
