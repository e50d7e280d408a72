#pragma once
// A player's inputs as they arrive (duplicated, late, out of order, or from
// a client that started its numbering over) and the one the server applies
// each tick.
#include <cstdint>

#include "net/messages.h"
#include "server/session_state.h"
#include "world/world.h"

// Input `sequence` as the ring stores it.
InputRecord make_record(uint32_t sequence, const PlaneInput& in);

// Keeps the inputs of a batch that lie in the ring's window
// (last applied, last applied + 64], unless the batch reaches further than
// the client can have counted by tick `now`. Nothing is applied here. See
// the rules at the definition.
void store_inputs(PlayerSlot& slot, const InputBatch& batch, uint64_t now);

// Chooses at most one stored input for this tick by the size of the backlog
// and writes its controls into the plane (the flags stay as they were when
// none is found). See the rules at the definition.
void consume_input(PlayerSlot& slot, Plane& plane);

// An old enough JoinRequest came a moment ago and no batch carrying input 1
// has followed yet.
bool restart_pending(const PlayerSlot& slot, uint64_t now);

// The client started over: its inputs and chat lines are numbered from 1.
void restart_numbering(PlayerSlot& slot, uint64_t now);
