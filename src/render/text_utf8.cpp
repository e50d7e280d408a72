#include "render/text_utf8.h"

namespace {

bool is_continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

// The length of the well-formed sequence starting at `at`, or 0.
size_t sequence_length(const uint8_t* s, size_t n, size_t at) {
    const uint8_t b = s[at];
    if (b < 0x80) return 1;
    size_t len = 0;
    uint8_t lo = 0x80;  // the second byte's range, which rules out overlong
    uint8_t hi = 0xBF;  // forms, surrogates and code points above U+10FFFF
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
        if (b == 0xE0) lo = 0xA0;
        if (b == 0xED) hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (n - at < len) return 0;
    if (s[at + 1] < lo || s[at + 1] > hi) return 0;
    for (size_t i = 2; i < len; ++i) {
        if (!is_continuation(s[at + i])) return 0;
    }
    return len;
}

}  // namespace

bool is_valid_utf8(std::string_view text) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    size_t at = 0;
    while (at < text.size()) {
        size_t len = sequence_length(s, text.size(), at);
        if (len == 0) return false;
        at += len;
    }
    return true;
}

uint32_t next_code_point(std::string_view text, size_t& at) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const uint8_t b = s[at];
    if (b < 0x80) {
        ++at;
        return b;
    }
    size_t len = b >= 0xF0 ? 4 : (b >= 0xE0 ? 3 : 2);
    uint32_t cp = b & (0x7F >> len);
    for (size_t i = 1; i < len; ++i) cp = (cp << 6) | (s[at + i] & 0x3F);
    at += len;
    return cp;
}
