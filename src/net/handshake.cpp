#include "net/handshake.h"

#include "net/messages.h"

namespace {

void put_cookie(WireWriter& w, const JoinCookie& cookie) {
    for (uint8_t b : cookie.bytes) put_uint8(w, b);
}

WireError read_cookie(WireReader& r, JoinCookie& cookie) {
    wire_check(r, wire_remaining(r) >= COOKIE_SIZE);
    if (!wire_ok(r)) return r.error;
    for (uint8_t& b : cookie.bytes) b = read_uint8(r);
    return r.error;
}

}  // namespace

bool is_blank(const JoinCookie& cookie) {
    uint8_t any = 0;
    for (uint8_t b : cookie.bytes) any |= b;
    return any == 0;
}

bool same_cookie(const JoinCookie& a, const JoinCookie& b) {
    uint8_t differ = 0;
    for (size_t i = 0; i < COOKIE_SIZE; ++i) differ |= static_cast<uint8_t>(a.bytes[i] ^ b.bytes[i]);
    return differ == 0;
}

void encode_join_request_21(WireWriter& w, const JoinCookie& cookie) {
    put_header(w, TAG_JOIN_REQUEST);
    put_cookie(w, cookie);
}

void encode_challenge(WireWriter& w, const JoinCookie& cookie) {
    put_header(w, TAG_CHALLENGE);
    put_cookie(w, cookie);
}

WireError decode_join_request_21(WireReader& r, JoinCookie& cookie) { return read_cookie(r, cookie); }
WireError decode_challenge(WireReader& r, JoinCookie& cookie) { return read_cookie(r, cookie); }
