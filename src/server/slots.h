#pragma once
// Who holds the eight slots: taking one, freeing one, finding a sender's,
// and how the log names its holder.
#include <cstdint>

#include "base/log.h"
#include "server/session_state.h"

// Gives slot `index` (free) to a new player (a computer player when `bot`),
// counting from this tick, and spawns its plane. The caller adds a person's
// address.
PlayerSlot& occupy_slot(ServerSession& session, uint8_t index, bool bot = false);

// How the log names the player in slot s: "player " + s for a person,
// "Bot " + (s + 1) for a computer player (numbered as players see it).
void name_player(LogText& line, const ServerSession& session, int slot);

// The slot that `sender` holds, or -1 (never a bot's).
int find_slot(const ServerSession& session, Endpoint sender);

// Frees slot s and the player's plane; their turrets and upgrade stations
// vanish, their collectors and exit vessels stay without an owner.
void remove_player(ServerSession& session, uint8_t s);
