#include "net/wire.h"

#include <bit>
#include <cstring>
#include <utility>

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

namespace {

// Loads and stores of little-endian values at any alignment.
template <class T>
T reverse_bytes(T v) {
    uint8_t b[sizeof(T)];
    std::memcpy(b, &v, sizeof v);
    for (size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(b[i], b[sizeof(T) - 1 - i]);
    std::memcpy(&v, b, sizeof v);
    return v;
}

template <class T>
T load_le(const uint8_t* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) v = reverse_bytes(v);
    return v;
}

template <class T>
void store_le(uint8_t* p, T v) {
    if constexpr (std::endian::native == std::endian::big) v = reverse_bytes(v);
    std::memcpy(p, &v, sizeof v);
}

// Claims `n` bytes for one field: on success returns where they start and
// moves past them; otherwise records Truncated and leaves the position alone.
const uint8_t* take(WireReader& r, size_t n) {
    if (r.error != WireError::None) return nullptr;
    if (r.size - r.pos < n) {
        r.error = WireError::Truncated;
        return nullptr;
    }
    const uint8_t* p = r.data + r.pos;
    r.pos += n;
    return p;
}

bool is_continuation(uint8_t b) { return (b & 0xC0) == 0x80; }

}  // namespace

// Length of the well-formed UTF-8 sequence starting at text[i] (RFC 3629,
// table 3-7 of the Unicode standard), or 0 if it is not well formed.
size_t utf8_sequence_length(const uint8_t* s, size_t n, size_t i) {
    const uint8_t b0 = s[i];
    if (b0 < 0x80) return 1;
    size_t len;
    uint8_t lo = 0x80;  // allowed range of the second byte
    uint8_t hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0;  // no overlong forms
        if (b0 == 0xED) hi = 0x9F;  // no surrogates U+D800..U+DFFF
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90;  // no overlong forms
        if (b0 == 0xF4) hi = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;  // stray continuation byte, C0, C1 or F5..FF
    }
    if (n - i < len) return 0;
    if (s[i + 1] < lo || s[i + 1] > hi) return 0;
    for (size_t k = 2; k < len; ++k) {
        if (!is_continuation(s[i + k])) return 0;
    }
    return len;
}

const char* wire_error_name(WireError e) {
    switch (e) {
        case WireError::None: return "None";
        case WireError::Truncated: return "Truncated";
        case WireError::Invalid: return "Invalid";
    }
    return "Invalid";
}

bool read_header(const uint8_t* data, size_t size, MessageHeader& header) {
    if (size < HEADER_SIZE) return false;
    if (data[0] != WIRE_MAGIC_0 || data[1] != WIRE_MAGIC_1 || !is_known_version(data[2])) return false;
    header.version = data[2];
    header.tag = data[3];
    return true;
}

bool is_finite_bits(uint32_t bits) { return (bits & 0x7FFFFFFFu) <= 0x7F7FFFFFu; }

uint8_t read_uint8(WireReader& r) {
    const uint8_t* p = take(r, 1);
    return p ? p[0] : 0;
}

bool read_bool_loose(WireReader& r) { return read_uint8(r) != 0; }

bool read_bool_strict(WireReader& r) {
    const uint8_t v = read_uint8(r);
    wire_check(r, v <= 1);
    return v == 1;
}

int16_t read_int16(WireReader& r) {
    const uint8_t* p = take(r, 2);
    return p ? load_le<int16_t>(p) : 0;
}

uint16_t read_uint16(WireReader& r) {
    const uint8_t* p = take(r, 2);
    return p ? load_le<uint16_t>(p) : 0;
}

uint32_t read_uint32(WireReader& r) {
    const uint8_t* p = take(r, 4);
    return p ? load_le<uint32_t>(p) : 0;
}

int32_t read_int32(WireReader& r) {
    const uint8_t* p = take(r, 4);
    return p ? load_le<int32_t>(p) : 0;
}

float read_float_raw(WireReader& r) {
    const uint8_t* p = take(r, 4);
    return p ? std::bit_cast<float>(load_le<uint32_t>(p)) : 0.0f;
}

float read_float(WireReader& r) {
    const uint8_t* p = take(r, 4);
    if (!p) return 0.0f;
    const uint32_t bits = load_le<uint32_t>(p);
    if (!is_finite_bits(bits)) {
        wire_check(r, false);
        return 0.0f;
    }
    return std::bit_cast<float>(bits);
}

Vec2 read_vec2(WireReader& r) {
    const uint8_t* p = take(r, 8);
    if (!p) return Vec2{0, 0};
    const uint32_t x = load_le<uint32_t>(p);
    const uint32_t y = load_le<uint32_t>(p + 4);
    if (!is_finite_bits(x) || !is_finite_bits(y)) {
        wire_check(r, false);
        return Vec2{0, 0};
    }
    return Vec2{std::bit_cast<float>(x), std::bit_cast<float>(y)};
}

OptionalFloat read_optional_float(WireReader& r) {
    const uint8_t* p = take(r, 5);
    if (!p) return OptionalFloat{};
    const uint32_t bits = load_le<uint32_t>(p + 1);
    if (!is_finite_bits(bits)) {
        wire_check(r, false);
        return OptionalFloat{};
    }
    return OptionalFloat{p[0] != 0, std::bit_cast<float>(bits)};
}

std::string_view read_text(WireReader& r) {
    const uint8_t* len_byte = take(r, 1);
    if (!len_byte) return {};
    const size_t n = len_byte[0];
    if (n > MAX_TEXT) {
        wire_check(r, false);
        return {};
    }
    const uint8_t* p = take(r, n);
    if (!p) return {};
    const std::string_view text(reinterpret_cast<const char*>(p), n);
    if (!is_valid_text(text)) {
        wire_check(r, false);
        return {};
    }
    return text;
}

void put_header(WireWriter& w, uint8_t tag) {
    w.bytes[0] = WIRE_MAGIC_0;
    w.bytes[1] = WIRE_MAGIC_1;
    w.bytes[2] = w.version;
    w.bytes[3] = tag;
    w.length = HEADER_SIZE;
}

void put_uint8(WireWriter& w, uint8_t v) { w.bytes[w.length++] = v; }

void put_bool(WireWriter& w, bool v) { put_uint8(w, v ? 1 : 0); }

void put_int16(WireWriter& w, int16_t v) {
    store_le(w.bytes + w.length, v);
    w.length += 2;
}

void put_uint16(WireWriter& w, uint16_t v) {
    store_le(w.bytes + w.length, v);
    w.length += 2;
}

void put_uint32(WireWriter& w, uint32_t v) {
    store_le(w.bytes + w.length, v);
    w.length += 4;
}

void put_int32(WireWriter& w, int32_t v) {
    store_le(w.bytes + w.length, v);
    w.length += 4;
}

void put_float(WireWriter& w, float v) { put_uint32(w, std::bit_cast<uint32_t>(v)); }

void put_vec2(WireWriter& w, Vec2 v) {
    put_float(w, v.x);
    put_float(w, v.y);
}

void put_optional_float(WireWriter& w, bool present, float value) {
    put_bool(w, present);
    put_float(w, present ? value : 0.0f);
}

void put_text(WireWriter& w, std::string_view text) {
    const size_t n = cut_text(text);
    put_uint8(w, static_cast<uint8_t>(n));
    std::memcpy(w.bytes + w.length, text.data(), n);
    w.length += n;
}

bool is_valid_text(std::string_view text) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    if (n == 0) return false;
    bool has_non_space = false;
    size_t i = 0;
    while (i < n) {
        const uint8_t b = s[i];
        if (b < 0x20 || b == 0x7F) return false;
        if (b != 0x20) has_non_space = true;
        const size_t len = utf8_sequence_length(s, n, i);
        if (len == 0) return false;
        i += len;
    }
    return has_non_space;
}

size_t cut_text(std::string_view text) {
    if (text.size() <= MAX_TEXT) return text.size();
    size_t cut = MAX_TEXT;
    while (cut > 0 && is_continuation(static_cast<uint8_t>(text[cut]))) --cut;
    return cut;
}
