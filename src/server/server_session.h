#pragma once
// The authoritative side of a game: the world, eight player slots keyed on
// the sender's address, the received inputs, and the datagrams waiting to go
// out. It is driven only by datagrams and ticks, so the same code serves the
// in-process tutorial and remote clients over UDP:
//   receive(session, bytes, length, sender)   for each datagram that arrives
//   server_tick(session)                      120 times per second
//   pop_outgoing(session.outgoing)            until empty, after each tick
// Nothing here allocates after creation.
#include <cstddef>
#include <cstdint>

#include "server/input_ring.h"
#include "server/session_state.h"
#include "server/slots.h"
#include "server/stream_21.h"

// A session around an already generated world: every slot free, tick 0,
// nothing queued. Null when the memory can't be had.
ServerSession* create_session(const World& world);
void destroy_session(ServerSession* session);

// Handles one datagram from `sender` at once. Malformed or foreign datagrams
// are dropped without a trace.
void receive(ServerSession& session, const uint8_t* bytes, size_t length, Endpoint sender);

// One server tick: bots joining or leaving, inputs, the step, timeouts, the win log, snapshots on even
// ticks, and the host's script (`after_tick`) when it has one.
void server_tick(ServerSession& session);

// The oldest datagram waiting to go out, removed from the queue; null when
// none is left. Readable until the session queues the next datagram.
inline const OutgoingDatagram* pop_outgoing(ServerSession& session) { return pop_outgoing(session.outgoing); }
