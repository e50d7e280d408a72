#pragma once
// The client's side of the status exchange: a short TCP conversation with a
// server on its game port, run to completion on a worker thread.
#include "base/endpoint.h"
#include "net/status_reply.h"

// How long the whole exchange may take: connecting, asking and reading.
constexpr int STATUS_TIMEOUT_MS = 2000;

// Connects, sends the request, reads at most STATUS_REPLY_MAX bytes (until a
// line feed, the peer's close or a full buffer) and parses all of them, all
// within `timeout_ms`, so that a server dripping its reply cannot hold the
// asker longer. False on any failure: refused, timed out, reset, silent or
// malformed.
bool fetch_status(Endpoint server, StatusReply& reply, int timeout_ms = STATUS_TIMEOUT_MS);

