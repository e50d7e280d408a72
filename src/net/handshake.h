#pragma once
// Protocol 21's join. Before a server spends anything on an address it makes
// the address prove that it receives what is sent to it: the first
// JoinRequest is answered with a Challenge carrying a cookie that only the
// server can make, and only a JoinRequest that echoes it is granted a slot.
// The request is as long as the answer, so a forged source address gets
// back no more bytes than it sent.
//
//   JoinRequest (tag 1)  client to server, 20 bytes: header, cookie (all zero at first)
//   Challenge (tag 10)   server to client, 20 bytes: header, cookie for the sender's address
#include <cstddef>
#include <cstdint>

#include "net/wire.h"

constexpr uint8_t TAG_CHALLENGE = 10;  // server to client, protocol 21 only
constexpr size_t COOKIE_SIZE = 16;

struct JoinCookie {
    uint8_t bytes[COOKIE_SIZE] = {};
};

// All zero: the client has no cookie yet (and no server ever makes it).
bool is_blank(const JoinCookie& cookie);
// Compares in time that does not depend on where the two differ.
bool same_cookie(const JoinCookie& a, const JoinCookie& b);

void encode_join_request_21(WireWriter& w, const JoinCookie& cookie);
void encode_challenge(WireWriter& w, const JoinCookie& cookie);
// Both bodies are the cookie: a shorter datagram is Invalid (bytes after
// it are ignored, as after any message).
WireError decode_join_request_21(WireReader& r, JoinCookie& cookie);
WireError decode_challenge(WireReader& r, JoinCookie& cookie);
