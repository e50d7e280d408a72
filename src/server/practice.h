#pragma once
// Practice: a real game against three bots on a server inside the client,
// on a random map with the full rules. A won round's countdown ends in the
// next round on the next map, as on a dedicated server.
#include <cstdint>

#include "bots/skills.h"
#include "server/server_session.h"

// What the client shows when the session's memory can't be had.
constexpr const char* PRACTICE_MEMORY_MESSAGE = "Not enough memory for a practice game";
constexpr uint8_t PRACTICE_BOTS = 3;

// A session on the random map of `seed` whose bots (of `skill`) join as
// soon as the player does. Null when the memory can't be had. Free it with
// destroy_session.
ServerSession* create_practice_session(uint64_t seed, BotSkill skill);

// Run by the session after every tick: the next round on the next map once
// a won round's countdown has run out.
void practice_tick(ServerSession& session);
