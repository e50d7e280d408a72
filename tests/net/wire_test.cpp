#include "net/wire.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes float_bytes(uint32_t bits) {
    return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
            static_cast<uint8_t>(bits >> 24)};
}

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Written {
    uint8_t buf[MAX_DATAGRAM];
    WireWriter w{buf};
    Bytes bytes() const { return Bytes(buf, buf + w.length); }
};

TEST(WireWriter, WritesLittleEndianPackedFieldsAfterTheHeader) {
    Written out;
    put_header(out.w, 7);
    put_uint8(out.w, 0xAB);
    put_int16(out.w, -2);
    put_uint16(out.w, 0x0102);
    put_uint32(out.w, 0x04030201);
    put_int32(out.w, -3);
    put_float(out.w, 1.0f);
    put_vec2(out.w, {-0.0f, 2.0f});
    put_flags(out.w, 0x15);
    put_optional_float(out.w, false, 9.0f);  // absent: 0.0 goes out whatever the value
    put_optional_float(out.w, true, 0.5f);
    put_text(out.w, "hi");
    const Bytes expected = {0x53, 0x4B, 20, 7,                        // header
                            0xAB,                                     // uint8
                            0xFE, 0xFF,                               // int16 -2
                            0x02, 0x01,                               // uint16
                            0x01, 0x02, 0x03, 0x04,                   // uint32
                            0xFD, 0xFF, 0xFF, 0xFF,                   // int32 -3
                            0x00, 0x00, 0x80, 0x3F,                   // 1.0f
                            0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40,  // (-0, 2)
                            0x15,                                     // flags
                            0, 0, 0, 0, 0,                            // absent optional
                            1, 0x00, 0x00, 0x00, 0x3F,                // 0.5f present
                            2, 'h', 'i'};
    EXPECT_EQ(out.bytes(), expected);

    // A new header starts the next datagram from offset 0.
    put_header(out.w, 2);
    EXPECT_EQ(out.w.length, 4u);
}

TEST(WireReader, ReadsBackWhatTheWriterWrote) {
    Written out;
    put_header(out.w, 5);
    put_uint8(out.w, 200);
    put_int16(out.w, -12345);
    put_uint16(out.w, 54321);
    put_uint32(out.w, 0xDEADBEEF);
    put_int32(out.w, -7);
    put_float(out.w, 3.5f);
    put_vec2(out.w, {1.25f, -2.5f});
    put_optional_float(out.w, true, 4.0f);
    put_bool(out.w, true);
    put_text(out.w, "Grüße");

    MessageHeader h;
    ASSERT_TRUE(read_header(out.buf, out.w.length, h));
    EXPECT_EQ(h.tag, 5);
    WireReader r = make_reader(out.buf, out.w.length, HEADER_SIZE);
    EXPECT_EQ(read_uint8(r), 200);
    EXPECT_EQ(read_int16(r), -12345);
    EXPECT_EQ(read_uint16(r), 54321);
    EXPECT_EQ(read_uint32(r), 0xDEADBEEFu);
    EXPECT_EQ(read_int32(r), -7);
    EXPECT_EQ(read_float(r), 3.5f);
    const Vec2 v = read_vec2(r);
    EXPECT_EQ(v.x, 1.25f);
    EXPECT_EQ(v.y, -2.5f);
    const OptionalFloat o = read_optional_float(r);
    EXPECT_TRUE(o.present);
    EXPECT_EQ(o.value, 4.0f);
    EXPECT_TRUE(read_bool_strict(r));
    EXPECT_EQ(read_text(r), "Grüße");
    EXPECT_EQ(r.error, WireError::None);
    EXPECT_EQ(r.pos, out.w.length);
}

// Every read needs all of its bytes: one short fails Truncated and the cursor
// stays where it was.
TEST(WireReader, ShortReadIsTruncatedAndDoesNotMove) {
    struct Case {
        const char* name;
        size_t width;
        std::function<void(WireReader&)> read;
    };
    const std::vector<Case> cases = {
        {"uint8", 1, [](WireReader& r) { read_uint8(r); }},
        {"bool loose", 1, [](WireReader& r) { read_bool_loose(r); }},
        {"bool strict", 1, [](WireReader& r) { read_bool_strict(r); }},
        {"int16", 2, [](WireReader& r) { read_int16(r); }},
        {"uint16", 2, [](WireReader& r) { read_uint16(r); }},
        {"uint32", 4, [](WireReader& r) { read_uint32(r); }},
        {"int32", 4, [](WireReader& r) { read_int32(r); }},
        {"float", 4, [](WireReader& r) { read_float(r); }},
        {"float raw", 4, [](WireReader& r) { read_float_raw(r); }},
        {"vec2", 8, [](WireReader& r) { read_vec2(r); }},
        {"optional float", 5, [](WireReader& r) { read_optional_float(r); }},
    };
    const Bytes zeros(16, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WireReader r = make_reader(zeros.data(), 2 + c.width - 1, 2);
        c.read(r);
        EXPECT_EQ(r.error, WireError::Truncated);
        EXPECT_EQ(r.pos, 2u);

        WireReader whole = make_reader(zeros.data(), 2 + c.width, 2);
        c.read(whole);
        EXPECT_EQ(whole.error, WireError::None);
        EXPECT_EQ(whole.pos, 2 + c.width);
    }
}

TEST(WireReader, FloatFiniteTestWorksOnTheBits) {
    struct Case {
        uint32_t bits;
        bool finite;
    };
    const Case cases[] = {
        {0x7F800000, false},  // +infinity
        {0xFF800000, false},  // -infinity
        {0x7FC00000, false},  // quiet NaN
        {0x7F800001, false},  // signalling NaN
        {0xFFFFFFFF, false},  // NaN with the sign bit
        {0x80000000, true},   // -0.0
        {0x00000001, true},   // smallest subnormal
        {0x7F7FFFFF, true},   // largest finite
        {0xFF7FFFFF, true},   // most negative finite
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.bits);
        const Bytes b = float_bytes(c.bits);
        WireReader r = make_reader(b.data(), b.size());
        const float v = read_float(r);
        EXPECT_EQ(r.error, c.finite ? WireError::None : WireError::Invalid);
        EXPECT_EQ(r.pos, 4u);  // consumed even when invalid
        if (c.finite) {
            EXPECT_EQ(std::bit_cast<uint32_t>(v), c.bits);
        }

        WireReader raw = make_reader(b.data(), b.size());
        EXPECT_EQ(std::bit_cast<uint32_t>(read_float_raw(raw)), c.bits);
        EXPECT_EQ(raw.error, WireError::None);
    }
}

TEST(WireReader, CheckedCompoundValues) {
    const uint32_t nan = 0x7FC00000;
    const uint32_t one = 0x3F800000;
    struct Case {
        const char* name;
        Bytes bytes;
        std::function<void(WireReader&)> read;
        WireError expected;
    };
    const std::vector<Case> cases = {
        {"vec2 x not finite", concat(float_bytes(nan), float_bytes(one)), [](WireReader& r) { read_vec2(r); },
         WireError::Invalid},
        {"vec2 y not finite", concat(float_bytes(one), float_bytes(0xFF800000)), [](WireReader& r) { read_vec2(r); },
         WireError::Invalid},
        {"optional absent but NaN", concat({0}, float_bytes(nan)), [](WireReader& r) { read_optional_float(r); },
         WireError::Invalid},
        {"optional present", concat({1}, float_bytes(one)),
         [](WireReader& r) { EXPECT_TRUE(read_optional_float(r).present); }, WireError::None},
        {"optional flag read loosely", concat({9}, float_bytes(one)),
         [](WireReader& r) { EXPECT_TRUE(read_optional_float(r).present); }, WireError::None},
        {"optional absent", concat({0}, float_bytes(0)),
         [](WireReader& r) { EXPECT_FALSE(read_optional_float(r).present); }, WireError::None},
        {"strict bool 2", {2}, [](WireReader& r) { read_bool_strict(r); }, WireError::Invalid},
        {"strict bool 1", {1}, [](WireReader& r) { EXPECT_TRUE(read_bool_strict(r)); }, WireError::None},
        {"loose bool 2", {2}, [](WireReader& r) { EXPECT_TRUE(read_bool_loose(r)); }, WireError::None},
        {"loose bool 0", {0}, [](WireReader& r) { EXPECT_FALSE(read_bool_loose(r)); }, WireError::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WireReader r = make_reader(c.bytes.data(), c.bytes.size());
        c.read(r);
        EXPECT_EQ(r.error, c.expected);
        EXPECT_EQ(r.pos, c.bytes.size());
    }
}

// After the first failure nothing more is read, so the failure that stopped
// decoding is the one reported.
TEST(WireReader, FirstErrorStopsTheReads) {
    const Bytes b = concat(float_bytes(0x7F800000), {1, 2, 3, 4});
    WireReader r = make_reader(b.data(), b.size());
    read_float(r);
    ASSERT_EQ(r.error, WireError::Invalid);
    EXPECT_EQ(read_uint32(r), 0u);
    EXPECT_EQ(r.pos, 4u);
    EXPECT_EQ(r.error, WireError::Invalid);
    read_vec2(r);  // would be Truncated on its own
    EXPECT_EQ(r.error, WireError::Invalid);
}

TEST(WireHeader, AcceptsOnlyTheMagicAndTheVersionsItSpeaks) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool accepted;
    };
    const std::vector<Case> cases = {
        {"empty", {}, false},
        {"1 byte", {0x53}, false},
        {"3 bytes", {0x53, 0x4B, 20}, false},
        {"header only", {0x53, 0x4B, 20, 1}, true},
        {"any tag", {0x53, 0x4B, 20, 200, 9, 9}, true},
        {"version 19", {0x53, 0x4B, 19, 1}, false},
        {"version 21", {0x53, 0x4B, 21, 1}, true},
        {"version 22", {0x53, 0x4B, 22, 1}, false},
        {"bad first magic byte", {0x54, 0x4B, 20, 1}, false},
        {"bad second magic byte", {0x53, 0x4C, 20, 1}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageHeader h;
        EXPECT_EQ(read_header(c.bytes.data(), c.bytes.size(), h), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(h.tag, c.bytes[3]);
            EXPECT_EQ(h.version, c.bytes[2]);
        }
    }
}

TEST(WireText, Validity) {
    struct Case {
        const char* name;
        std::string text;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"empty", "", false},
        {"three spaces", "   ", false},
        {"leading space", " a", true},
        {"plain", "hello, world!", true},
        {"tab", "a\tb", false},
        {"newline", "a\n", false},
        {"NUL", std::string("a\0b", 3), false},
        {"DEL", "a\x7F", false},
        {"e acute", "\xC3\xA9", true},
        {"three-byte char", "\xE2\x82\xAC", true},         // U+20AC
        {"four-byte char", "\xF0\x9F\x98\x80", true},      // U+1F600
        {"largest code point", "\xF4\x8F\xBF\xBF", true},  // U+10FFFF
        {"overlong NUL", "\xC0\x80", false},
        {"overlong C1", "\xC1\xBF", false},
        {"overlong three-byte", "\xE0\x9F\xBF", false},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"last surrogate", "\xED\xBF\xBF", false},
        {"just below surrogates", "\xED\x9F\xBF", true},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"F5 lead byte", "\xF5\x80\x80\x80", false},
        {"FF byte", "a\xFF", false},
        {"stray continuation", "a\x80", false},
        {"cut-short sequence at end", "ab\xE2\x82", false},
        {"lead byte then ASCII", "\xC3" "a", false},
        {"spaces and one char", "  \xC3\xA9 ", true},
        {"80 bytes", std::string(80, 'x'), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(is_valid_text(c.text), c.valid);
    }
}

TEST(WireText, ReadingATextField) {
    const std::string eighty(80, 'a');
    const std::string eighty_one(81, 'a');
    struct Case {
        const char* name;
        Bytes bytes;
        WireError expected;
        size_t end_pos;
    };
    auto field = [](uint8_t n, const std::string& s) {
        Bytes b{n};
        b.insert(b.end(), s.begin(), s.end());
        return b;
    };
    const std::vector<Case> cases = {
        {"no length byte", {}, WireError::Truncated, 0},
        {"length 0", {0}, WireError::Invalid, 1},
        {"length 80", field(80, eighty), WireError::None, 81},
        {"length 81 with 81 valid bytes", field(81, eighty_one), WireError::Invalid, 1},  // nothing more read
        {"length beyond the datagram", field(5, "abc"), WireError::Truncated, 1},
        {"spaces only", field(3, "   "), WireError::Invalid, 4},
        {"bad UTF-8", field(2, "\xC0\x80"), WireError::Invalid, 3},
        {"extra bytes left alone", field(2, "okay"), WireError::None, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WireReader r = make_reader(c.bytes.data(), c.bytes.size());
        const std::string_view text = read_text(r);
        EXPECT_EQ(r.error, c.expected);
        EXPECT_EQ(r.pos, c.end_pos);
        if (c.expected == WireError::None) {
            EXPECT_EQ(text.size(), c.bytes[0]);
            EXPECT_EQ(text.data(), reinterpret_cast<const char*>(c.bytes.data() + 1));  // a view, not a copy
        }
    }
}

TEST(WireText, CutEndsOnACharacterBoundary) {
    struct Case {
        const char* name;
        std::string text;
        size_t cut;
    };
    const std::vector<Case> cases = {
        {"short", "hello", 5},
        {"exactly 80", std::string(80, 'a'), 80},
        {"85 ASCII", std::string(85, 'a'), 80},
        {"two-byte char at 79..80", std::string(79, 'a') + "\xC3\xA9" + "abcd", 79},
        {"two-byte char at 78..79", std::string(78, 'a') + "\xC3\xA9" + "abcd", 80},
        {"four-byte char at 78..81", std::string(78, 'a') + "\xF0\x9F\x98\x80" + "abc", 78},
        {"three-byte char at 80..82", std::string(80, 'a') + "\xE2\x82\xAC", 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cut_text(c.text), c.cut);

        // The writer sends exactly the cut prefix, and it reads back valid.
        Written out;
        put_header(out.w, 7);
        put_text(out.w, c.text);
        EXPECT_EQ(out.w.length, HEADER_SIZE + 1 + c.cut);
        WireReader r = make_reader(out.buf, out.w.length, HEADER_SIZE);
        EXPECT_EQ(read_text(r), std::string_view(c.text).substr(0, c.cut));
        EXPECT_EQ(r.error, WireError::None);
    }
}

}  // namespace
