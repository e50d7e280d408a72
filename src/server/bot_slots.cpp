#include "server/bot_slots.h"

#include "bots/bot.h"
#include "server/server_session.h"
#include "world/random.h"

namespace {

void add_bot(ServerSession& s, uint8_t index) {
    BotRoster& r = s.bots;
    occupy_slot(s, index, true);
    const uint32_t data[2] = {index, r.joined++};
    r.bots[index] = make_bot(index, r.skill, hash_draw(r.seed, data, sizeof data));
    LogText line;
    name_player(line, s, index);
    line << " joined (" << skill_name(r.skill) << ')';
    s.log_sink(LogLevel::Info, line.view());
}

void run_bots(ServerSession& s) {
    keep_bot_count(s);
    feed_bots(s);
}

int highest_bot(const ServerSession& s) {
    for (int i = MAX_PLANES - 1; i >= 0; --i) {
        if (s.slots[i].in_use && s.slots[i].bot) return i;
    }
    return -1;
}

}  // namespace

void set_bots(ServerSession& s, uint8_t planes, BotSkill skill, bool always, uint64_t seed) {
    BotRoster& r = s.bots;
    r.planes = planes < MAX_PLANES ? planes : MAX_PLANES;
    r.skill = skill;
    r.always = always;
    r.seed = seed;
    s.bots_tick = run_bots;
    s.make_room = make_room_for_person;
}

unsigned people_in(const ServerSession& s) {
    unsigned n = 0;
    for (const PlayerSlot& slot : s.slots) n += slot.in_use && !slot.bot;
    return n;
}

unsigned bots_in(const ServerSession& s) {
    unsigned n = 0;
    for (const PlayerSlot& slot : s.slots) n += slot.in_use && slot.bot;
    return n;
}

void keep_bot_count(ServerSession& s) {
    const unsigned people = people_in(s);
    const bool wanted = people > 0 || s.bots.always;
    const unsigned bots_wanted = wanted && s.bots.planes > people ? s.bots.planes - people : 0;
    unsigned bots = bots_in(s);
    while (bots > bots_wanted) {
        remove_player(s, static_cast<uint8_t>(highest_bot(s)));
        --bots;
    }
    for (uint8_t i = 0; i < MAX_PLANES && bots < bots_wanted; ++i) {
        if (s.slots[i].in_use) continue;
        add_bot(s, i);
        ++bots;
    }
}

void feed_bots(ServerSession& s) {
    for (uint8_t i = 0; i < MAX_PLANES; ++i) {
        PlayerSlot& slot = s.slots[i];
        if (!slot.in_use || !slot.bot) continue;
        const uint32_t q = slot.last_applied + 1;
        slot.inputs[q % INPUT_RING] = make_record(q, decide(s.bots.bots[i], s.world));
        slot.newest_received = q;
    }
}

int make_room_for_person(ServerSession& s) {
    const int index = highest_bot(s);
    if (index >= 0) remove_player(s, static_cast<uint8_t>(index));
    return index;
}
