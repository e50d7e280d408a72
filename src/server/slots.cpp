#include "server/slots.h"

#include "server/stream_21.h"
#include "world/damage.h"
#include "world/generate.h"

PlayerSlot& occupy_slot(ServerSession& s, uint8_t index, bool bot) {
    PlayerSlot& slot = s.slots[index];
    slot = PlayerSlot{};
    slot.in_use = true;
    slot.bot = bot;
    slot.last_heard = s.tick;
    slot.joined_tick = s.tick;
    slot.newest_tick = s.tick;
    slot.numbering_tick = s.tick;
    spawn_plane(s.world, index);
    log_world_edit(s, bot ? EDIT_SPAWN_BOT : EDIT_SPAWN, index);
    return slot;
}

void name_player(LogText& line, const ServerSession& s, int slot) {
    if (is_slot(static_cast<uint8_t>(slot)) && s.slots[slot].bot) line << "Bot " << slot + 1;
    else line << "player " << slot;
}

int find_slot(const ServerSession& s, Endpoint sender) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (s.slots[i].in_use && !s.slots[i].bot && s.slots[i].address == sender) return i;
    }
    return -1;
}

void remove_player(ServerSession& s, uint8_t index) {
    if (!is_slot(index)) return;
    LogText line;
    name_player(line, s, index);
    line << " left";
    s.slots[index] = PlayerSlot{};
    remove_plane(s.world, index);
    log_world_edit(s, EDIT_REMOVE, index);
    s.log_sink(LogLevel::Info, line.view());
}
