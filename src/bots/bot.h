#pragma once
// A computer player. Each tick it reads the world, as a player reads the
// screen, and answers with the same six controls a client sends: turn left,
// turn right, thrust, fire, the hook key and a purchase. It plays the whole
// game: it catches collectors and tows them into orbit around the planets
// whose resources it lacks, takes other players' collectors, fights, buys
// an upgrade station and upgrades collectors for the sun, buys an exit
// vessel and boards it, and goes after anyone else who is boarding.
//
// Decisions depend only on the world, the bot's own record and its seed
// (variety comes from the project's hash), so a game of bots replays
// exactly from its seeds.
#include <cstdint>

#include "bots/bot_state.h"
#include "world/plane_input.h"
#include "world/world.h"

Bot make_bot(uint8_t slot, BotSkill skill, uint64_t seed);

// The controls of the bot's plane for this tick. The world is the one the
// server is about to step.
PlaneInput decide(Bot& bot, const World& w);
