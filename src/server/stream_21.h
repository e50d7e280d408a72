#pragma once
// What a protocol 21 client is sent: a whole world when it has none, then
// for every tick the input each plane was given and the changes the server
// made to the world outside the step (the tick log), so that it steps its
// own copy of the server's world; and what its batches report back.
#include <cstdint>

#include "net/messages.h"
#include "net/ticks.h"
#include "server/session_state.h"

bool is_v21(const PlayerSlot& slot);

// The client must be sent a whole world before anything else counts.
void ask_for_world(PlayerSlot& slot);

// Records a change made to the world outside the step, for the next tick's
// record. A record that is full ends in a replacement: the clients that
// reach it need a whole world, which every v21 client is then sent.
void log_world_edit(ServerSession& session, uint8_t kind, uint8_t slot);

// A host that changes the world outside the step in any other way than a
// join or a leave (a new round, an option) calls this after the change:
// every v21 client is then sent a whole world. Join and leave are logged by
// the session itself.
void world_replaced(ServerSession& session);

// What a v21 client's newest batch says about its confirmed world. A
// request for a whole world counts once: until the client has taken the
// world sent for it, later batches (and late ones) repeat the same request.
void take_report(ServerSession& session, uint8_t index, const InputBatch& batch, const WorldReport& report);

// A whole world while the client needs one (again every WORLD_RESEND ticks
// until it is acknowledged), then every tick the client has not
// acknowledged: a lost datagram costs nothing but the resend.
void send_ticks(ServerSession& session, uint8_t index);

// Every writer of the planes' input fields (input consumption, and any
// other source of inputs) has run: what the planes hold now is what the
// step applies, and what a v21 client needs.
void capture_inputs(ServerSession& session);

// The step made tick `session.tick`: its record goes into the log.
void log_tick(ServerSession& session);
