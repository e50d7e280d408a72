#pragma once
// Computer players in a server session. A host asks for a number of planes;
// bots fill the free slots up to it and leave again one by one as people
// join, and a person who finds every slot taken gets a bot's. Unless the
// host wants bots always, there are none while no person is connected. A
// bot's input goes into its slot's ring and is applied by the same input
// consumption as a client's.
#include <cstdint>

#include "bots/skills.h"

struct ServerSession;

// Asks for bots: up to `planes` planes (0 for none) of the given skill. It
// installs the session's bot hooks, so that each tick the bots join or
// leave and decide, and a person on a full server gets a bot's slot.
void set_bots(ServerSession& s, uint8_t planes, BotSkill skill, bool always, uint64_t seed);

// Adds bots to free slots or takes them away, so that the session has the
// number of planes asked for; called once per tick before the inputs.
void keep_bot_count(ServerSession& s);

// Each bot decides on the world as it stands and stores its input in its
// slot like a client's next input.
void feed_bots(ServerSession& s);

// Frees the slot of one bot for a person who found no free slot (the one in
// the highest slot). The freed slot, or -1 when no bot holds one.
int make_room_for_person(ServerSession& s);

unsigned people_in(const ServerSession& s);
unsigned bots_in(const ServerSession& s);
