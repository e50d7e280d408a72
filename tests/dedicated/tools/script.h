#pragma once
// The scripted players of skorvia_load: what each client presses on a tick.
#include <cstddef>
#include <cstdint>

#include "net/messages.h"

struct ClientSession;

// Each client flies its own pattern: bursts of thrust, turns both ways,
// shooting now and then (always with `always_fire`), the hook once in a while.
InputByte patterned_input(size_t client, uint64_t tick, bool always_fire);

// A player out to win the round: it buys an exit vessel (when it has none
// near), flies into it slowly and then lets go, so that the boarding pull
// seats it. Needs rules under which it can pay for the vessel and board
// (the server's --win-amount 0 --vessel-cost 0). Reads the client's own
// predicted world; nothing while the round is over or the plane is dead.
InputByte boarding_input(const ClientSession& c, uint64_t tick);
