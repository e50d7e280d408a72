#pragma once
// Who may take a slot. A protocol 21 JoinRequest counts only when it echoes
// a cookie that the server made for the sender's address and port in this
// or the previous COOKIE_PERIOD: only a sender that receives what is sent
// to that address can know it. Anything else is answered with a Challenge
// that carries a fresh cookie and is no longer than the request, and
// nothing is kept. Protocol 20 has no such proof; a host may refuse it.
#include <cstdint>

#include "base/endpoint.h"
#include "net/dispatch.h"
#include "net/handshake.h"
#include "server/session_state.h"

// A cookie is good for the period it was made in and the next one: 10 to 20 s.
constexpr uint64_t COOKIE_PERIOD = 1200;

// The cookie of `sender` for period `period` (server tick / COOKIE_PERIOD).
// All zero when the session has no key.
JoinCookie address_cookie(ServerSession& session, Endpoint sender, uint64_t period);

// `cookie` is what the server made for `sender` this period or the last.
bool cookie_accepted(ServerSession& session, Endpoint sender, const JoinCookie& cookie);

// A JoinRequest from `sender`, who holds slot `held` (-1: none). The
// message's protocol is the caller's to check.
void handle_join(ServerSession& session, Endpoint sender, int held, const ServerMessage& message);
