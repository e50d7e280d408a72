#pragma once
// Byte-level encoding shared by both ends of the game protocol: the header that
// opens every datagram, little-endian packed fields, checked floats and text.
//
// A WireReader is a cursor over one received datagram. Its first failure is
// kept (`error`) and every later read returns zero without moving, so a decoder
// may read a run of fields and look at the error once; a value that fails its
// check has still been consumed. A WireWriter fills a caller's fixed buffer of
// MAX_DATAGRAM bytes from offset 0 and never checks: it is given values in range.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "world/vec2.h"

constexpr int PROTOCOL_VERSION = 20;  // an int so that it prints as a number
// Protocol 21: the same messages, but a client is sent every tick's applied
// inputs instead of the whole world (net/ticks.h). A server speaks both and
// answers each client in the version of the JoinRequest it joined with.
constexpr int PROTOCOL_VERSION_21 = 21;
constexpr bool is_known_version(int v) { return v == PROTOCOL_VERSION || v == PROTOCOL_VERSION_21; }
constexpr size_t MAX_DATAGRAM = 16384;
constexpr size_t MAX_TEXT = 80;
constexpr size_t HEADER_SIZE = 4;
constexpr uint8_t WIRE_MAGIC_0 = 0x53;  // 'S'
constexpr uint8_t WIRE_MAGIC_1 = 0x4B;  // 'K'

enum class WireError : uint8_t {
    None = 0,
    Truncated,  // a field, a group or a text runs past the end of the datagram
    Invalid,    // a value outside its domain
};

const char* wire_error_name(WireError e);

// The header every datagram opens with: magic, version, then the message tag.
struct MessageHeader {
    uint8_t version = 0;  // 20 or 21
    uint8_t tag = 0;
};

// True when the datagram is at least 4 bytes long and carries the magic and
// a version this program speaks (20 or 21); `header.tag` is then byte 3,
// whatever it is.
bool read_header(const uint8_t* data, size_t size, MessageHeader& header);

struct WireReader {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    WireError error = WireError::None;
};

inline WireReader make_reader(const uint8_t* data, size_t size, size_t pos = 0) {
    return WireReader{data, size, pos, WireError::None};
}
inline bool wire_ok(const WireReader& r) { return r.error == WireError::None; }
inline size_t wire_remaining(const WireReader& r) { return r.size - r.pos; }

// A domain check on a value just read: a failing check makes the datagram
// Invalid (unless an earlier error already stands).
inline void wire_check(WireReader& r, bool valid) {
    if (!valid && r.error == WireError::None) r.error = WireError::Invalid;
}

struct OptionalFloat {
    bool present = false;
    float value = 0;
};

uint8_t read_uint8(WireReader& r);
bool read_bool_loose(WireReader& r);   // any non-zero byte is true
bool read_bool_strict(WireReader& r);  // above 1 is Invalid
int16_t read_int16(WireReader& r);
uint16_t read_uint16(WireReader& r);
uint32_t read_uint32(WireReader& r);
int32_t read_int32(WireReader& r);
float read_float(WireReader& r);      // not finite is Invalid
float read_float_raw(WireReader& r);  // copied as is
Vec2 read_vec2(WireReader& r);        // either component not finite is Invalid
OptionalFloat read_optional_float(WireReader& r);  // flag read loosely; float checked even when absent
inline uint8_t read_flags(WireReader& r) { return read_uint8(r); }
// A view of the text's bytes inside the datagram, valid while its buffer lives.
std::string_view read_text(WireReader& r);

// Make one per datagram over a buffer that outlives it (a writer stored next to
// its buffer inside a record would dangle once the record is copied):
//   uint8_t buf[MAX_DATAGRAM]; WireWriter w{buf}; encode_welcome(w, 3); send(buf, w.length);
struct WireWriter {
    explicit WireWriter(std::span<uint8_t, MAX_DATAGRAM> buffer, uint8_t protocol = PROTOCOL_VERSION)
        : bytes(buffer.data()), version(protocol) {}
    uint8_t* bytes;
    size_t length = 0;
    uint8_t version;  // written into every header
};

// Starts a datagram: the writer is rewound to offset 0 and the header written
// with the writer's version.
void put_header(WireWriter& w, uint8_t tag);
void put_uint8(WireWriter& w, uint8_t v);
void put_bool(WireWriter& w, bool v);
void put_int16(WireWriter& w, int16_t v);
void put_uint16(WireWriter& w, uint16_t v);
void put_uint32(WireWriter& w, uint32_t v);
void put_int32(WireWriter& w, int32_t v);
void put_float(WireWriter& w, float v);
void put_vec2(WireWriter& w, Vec2 v);
inline void put_flags(WireWriter& w, uint8_t bits) { put_uint8(w, bits); }
// The flag, then the value when present and 0.0 when absent.
void put_optional_float(WireWriter& w, bool present, float value);
// Length byte and bytes; a text over MAX_TEXT bytes is cut by `cut_text` first.
void put_text(WireWriter& w, std::string_view text);

// Length of the well-formed UTF-8 sequence starting at s[i] of the n bytes
// at s (RFC 3629), or 0 if it is not well formed there.
size_t utf8_sequence_length(const uint8_t* s, size_t n, size_t i);
// True for well-formed UTF-8 (RFC 3629) of 1 or more bytes with no control
// byte (below 0x20, or 0x7F) and at least one byte that is not a space.
bool is_valid_text(std::string_view text);
// How many bytes of `text` to send: all of it up to MAX_TEXT bytes, else the
// longest prefix of at most MAX_TEXT bytes that ends on a character boundary.
size_t cut_text(std::string_view text);

// Bit-exact finite test: exponent bits not all ones (-0.0 and subnormals pass).
bool is_finite_bits(uint32_t bits);
