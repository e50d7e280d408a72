#include "server/server_session.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <span>

#include "base/log.h"
#include "net/dispatch.h"
#include "net/messages.h"
#include "net/snapshot.h"
#include "net/wire.h"
#include "server/log_escape.h"
#include "world/damage.h"
#include "world/generate.h"
#include "world/step.h"

namespace {

// Builds one datagram in place at the back of the queue; a full queue drops
// it before anything is encoded. A host with a direct sender gets it at once.
template <typename Encode>
void queue_datagram(ServerSession& s, Endpoint to, Encode encode) {
    if (s.send_now) {
        WireWriter w(std::span<uint8_t, MAX_DATAGRAM>(s.send_buffer, MAX_DATAGRAM));
        encode(w);
        s.send_now(s.send_context, s.send_buffer, w.length, to);
        return;
    }
    OutgoingDatagram* d = reserve_outgoing(s.outgoing);
    if (!d) return;
    WireWriter w(std::span<uint8_t, MAX_DATAGRAM>(d->bytes, MAX_DATAGRAM));
    encode(w);
    commit_outgoing(s.outgoing, to, w.length);
}


void append_address(LogText& line, Endpoint e) {
    line << static_cast<unsigned>(e.address >> 24) << '.' << static_cast<unsigned>((e.address >> 16) & 0xFF) << '.'
         << static_cast<unsigned>((e.address >> 8) & 0xFF) << '.' << static_cast<unsigned>(e.address & 0xFF) << ':'
         << static_cast<unsigned>(e.port);
}

// ---- joining -------------------------------------------------------------

void handle_join(ServerSession& s, Endpoint sender, int held) {
    if (held >= 0) {
        // A slot holder asks again when it has not heard the Welcome, or when
        // it dropped its state after a silent spell and will number from 1
        // again. Only the second kind can come this long after the slot's
        // numbering began; even then nothing changes until a batch carrying
        // input 1 follows, so a late or repeated request winds nothing back.
        PlayerSlot& slot = s.slots[held];
        if (s.tick - slot.numbering_tick >= RESTART_MIN_AGE) {
            slot.restart_open = true;
            slot.rejoin_tick = s.tick;
        }
        const uint8_t index = static_cast<uint8_t>(held);
        queue_datagram(s, sender, [&](WireWriter& w) { encode_welcome(w, index); });
        return;
    }
    int free_slot = -1;
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (!s.slots[i].in_use) {
            free_slot = i;
            break;
        }
    }
    // Every slot taken: a bot makes room, people come first.
    if (free_slot < 0 && s.make_room) free_slot = s.make_room(s);
    if (free_slot < 0) {
        queue_datagram(s, sender, [](WireWriter& w) { encode_server_full(w); });
        return;
    }
    const uint8_t index = static_cast<uint8_t>(free_slot);
    occupy_slot(s, index).address = sender;

    LogText line;
    name_player(line, s, index);
    line << " joined from ";
    append_address(line, sender);
    s.log_sink(LogLevel::Info, line.view());
    queue_datagram(s, sender, [&](WireWriter& w) { encode_welcome(w, index); });
}

// ---- inputs --------------------------------------------------------------

InputRecord make_record(uint32_t sequence, const InputByte& in) {
    return {sequence,
            static_cast<uint8_t>(in.turn_left),
            static_cast<uint8_t>(in.turn_right),
            static_cast<uint8_t>(in.thrust),
            static_cast<uint8_t>(in.fire),
            static_cast<uint8_t>(in.hook_key),
            in.buy_item};
}

// The ring only holds numbers in (last applied, last applied + 64].
bool in_window(const PlayerSlot& slot, uint32_t q) {
    return q > slot.last_applied && static_cast<uint64_t>(q) <= static_cast<uint64_t>(slot.last_applied) + INPUT_RING;
}

// A client counts one input per tick, so by tick `now` it can have reached
// about the newest number received plus the ticks since it arrived. A batch
// entirely beyond that (and some slack for jitter) is most likely from an
// older numbering, sent before the client started over and arriving late; it
// must not drag the window away from the client's real numbers. A client
// that truly runs that far ahead (its newest inputs came late, or the server
// fell behind real time) keeps sending such batches, one per tick, so the
// second one that continues the first is taken.
bool continues_ahead(const PlayerSlot& slot, uint32_t last, uint64_t now) {
    return slot.ahead_seen && now > slot.ahead_tick && last > slot.ahead_newest &&
           last - slot.ahead_newest <= (now - slot.ahead_tick) + INPUT_LEAD_SLACK;
}

}  // namespace

void store_inputs(PlayerSlot& slot, const InputBatch& batch, uint64_t now) {
    if (batch.present == 0) return;
    const uint32_t first = first_input(batch);
    const uint32_t last = first + batch.present - 1u;
    const uint64_t reach = uint64_t{slot.newest_received} + (now - slot.newest_tick) + INPUT_LEAD_SLACK;
    if (first > reach && !continues_ahead(slot, last, now)) {
        slot.ahead_seen = true;
        slot.ahead_newest = last;
        slot.ahead_tick = now;
        return;
    }
    // A client whose inputs did not arrive for more than the ring's length
    // is further ahead than the ring reaches, and all it sends from now on
    // would be out of the window forever. Move the window up to its newest
    // input; the inputs in between are lost, as lost inputs always are.
    if (last > slot.last_applied && !in_window(slot, last)) slot.last_applied = last - INPUT_RING;
    for (uint32_t i = 0; i < batch.present; ++i) {
        const uint32_t q = first + i;
        if (!in_window(slot, q)) continue;
        slot.inputs[q % INPUT_RING] = make_record(q, batch.inputs[i]);
        if (q > slot.newest_received) {
            slot.newest_received = q;
            slot.newest_tick = now;
        }
    }
}

namespace {

const InputRecord* stored_input(const PlayerSlot& slot, uint32_t q) {
    const InputRecord& r = slot.inputs[q % INPUT_RING];
    return r.sequence == q ? &r : nullptr;
}

// The first input stored among the numbers from..to (counted so that a
// range that wraps around zero still ends).
const InputRecord* first_stored(const PlayerSlot& slot, uint32_t from, uint32_t to) {
    for (uint32_t n = 0; n <= to - from; ++n) {
        if (const InputRecord* r = stored_input(slot, from + n)) return r;
    }
    return nullptr;
}

}  // namespace

// Backlog = newest received - last applied:
//   0     nothing new: the plane keeps its flags, no purchase;
//   1, 2  only the next number is looked at (a missing one is waited for);
//   3..8  the first stored number after the last applied is taken;
//   9+    the client runs ahead: skip to the last 8, keeping the newest
//         purchase of the skipped inputs, then as for 3..8.
// A lost input repeats the previous flags but never a purchase; a purchase in
// skipped inputs rides on the input applied (or on the repeated flags).
void consume_input(PlayerSlot& slot, Plane& plane) {
    const uint32_t backlog = slot.newest_received - slot.last_applied;
    uint8_t carried_buy = ITEM_NONE;
    const InputRecord* chosen = nullptr;
    if (backlog == 0) {
        // nothing new
    } else if (backlog <= 2) {
        chosen = stored_input(slot, slot.last_applied + 1);
    } else {
        if (backlog >= 9) {
            const uint32_t skip_to = slot.newest_received - 8;
            for (uint32_t q = slot.last_applied + 1, left = skip_to - slot.last_applied; left > 0; ++q, --left) {
                const InputRecord* r = stored_input(slot, q);
                if (r && r->buy_item != ITEM_NONE) carried_buy = r->buy_item;
            }
            slot.last_applied = skip_to;
        }
        chosen = first_stored(slot, slot.last_applied + 1, slot.newest_received);
    }
    if (!chosen) {
        plane.buy_item = carried_buy;
        return;
    }
    slot.last_applied = chosen->sequence;
    plane.turn_left = chosen->turn_left;
    plane.turn_right = chosen->turn_right;
    plane.thrust = chosen->thrust;
    plane.fire = chosen->fire;
    plane.hook_key = chosen->hook_key;
    plane.buy_item = chosen->buy_item != ITEM_NONE ? chosen->buy_item : carried_buy;
}

namespace {

// ---- restarts ------------------------------------------------------------

// An old enough JoinRequest came a moment ago and no batch carrying input 1
// has followed yet.
bool restart_pending(const PlayerSlot& slot, uint64_t now) {
    return slot.restart_open && now - slot.rejoin_tick <= RESTART_WINDOW;
}

// How the server tells a client that started over from late datagrams,
// without anything in the messages to say so:
//  - a client drops its state only after 3 s without a snapshot, so only a
//    JoinRequest that long after the numbering began opens a restart;
//  - a fresh client repeats its inputs from number 1 until one is
//    acknowledged, so its first batches carry input 1, and the one that
//    follows the JoinRequest within a round trip starts the numbering over;
//  - a late JoinRequest or batch from the numbering's start is older than
//    that, so on its own neither winds the slot back.
void restart_numbering(PlayerSlot& slot, uint64_t now) {
    for (InputRecord& r : slot.inputs) r = InputRecord{};
    slot.last_applied = 0;
    slot.newest_received = 0;
    slot.newest_tick = now;
    slot.numbering_tick = now;
    slot.restart_open = false;
    slot.ahead_seen = false;
    slot.chat_restart_open = true;
}

void handle_inputs(ServerSession& s, PlayerSlot& slot, const InputBatch& batch) {
    if (batch.present == 0) return;
    slot.sent_input = true;
    if (first_input(batch) == 1 && restart_pending(slot, s.tick)) restart_numbering(slot, s.tick);
    store_inputs(slot, batch, s.tick);
}

// ---- chat ----------------------------------------------------------------

void queue_relay(ServerSession& s, Endpoint to, const PlayerSlot& from, uint8_t sender) {
    const std::string_view text(from.last_chat_text, from.last_chat_length);
    queue_datagram(s, to, [&](WireWriter& w) {
        encode_chat_relay(w, from.last_chat_serial, sender, from.last_chat_sequence, text);
    });
}

void handle_chat(ServerSession& s, uint8_t index, const ChatSend& chat) {
    PlayerSlot& from = s.slots[index];
    // While a restart is open the line may belong to either numbering; the
    // client repeats it every quarter second, by when the batch has told.
    if (restart_pending(from, s.tick)) return;
    if (from.chat_restart_open) {
        // The client started over: its first line is numbered 1, and any
        // other number is a late line of the old numbering.
        if (chat.sequence != 1) return;
        from.last_chat_sequence = 0;
        from.last_chat_serial = 0;
        from.last_chat_length = 0;
    }
    if (chat.sequence > from.last_chat_sequence) {
        from.chat_restart_open = false;
        from.last_chat_sequence = chat.sequence;
        from.last_chat_serial = ++s.chat_serial;
        from.last_chat_length = static_cast<uint8_t>(std::min(chat.text.size(), MAX_TEXT));
        std::memcpy(from.last_chat_text, chat.text.data(), from.last_chat_length);

        LogText line;
        line << "player " << index + 1 << ": ";
        append_player_text(line, std::string_view(from.last_chat_text, from.last_chat_length));
        s.log_sink(LogLevel::Info, line.view());
        // Every client gets the line twice; they drop the copy by its serial.
        for (int pass = 0; pass < 2; ++pass) {
            for (const PlayerSlot& to : s.slots) {
                if (to.in_use && to.sent_input) queue_relay(s, to.address, from, index);
            }
        }
    } else if (chat.sequence == from.last_chat_sequence && from.last_chat_serial != 0 && from.sent_input) {
        // The sender missed the relay: once more, to the sender only.
        queue_relay(s, from.address, from, index);
    }
}

// ---- the tick ------------------------------------------------------------

void time_out_silent_players(ServerSession& s) {
    for (int i = 0; i < MAX_PLANES; ++i) {
        const PlayerSlot& slot = s.slots[i];
        if (!slot.in_use || slot.bot) continue;
        const bool silent = s.tick - slot.last_heard > PLAYER_TIMEOUT;
        const bool never_played = !slot.sent_input && s.tick - slot.joined_tick > FIRST_INPUT_LIMIT;
        if (!silent && !never_played) continue;
        LogText line;
        name_player(line, s, i);
        line << " timed out";
        s.log_sink(LogLevel::Info, line.view());
        remove_player(s, static_cast<uint8_t>(i));
    }
}

void log_wins(ServerSession& s) {
    const World& w = s.world;
    for (uint64_t i = 0; i < w.event_count && i < MAX_EVENTS; ++i) {
        if (w.events[i].kind != EVENT_ROUND_WON) continue;
        LogText line;
        name_player(line, s, w.events[i].a);
        line << " won";
        s.log_sink(LogLevel::Info, line.view());
    }
}

void queue_snapshots(ServerSession& s) {
    const uint32_t tick = static_cast<uint32_t>(s.tick);
    for (const PlayerSlot& slot : s.slots) {
        if (!slot.in_use || !slot.sent_input) continue;
        queue_datagram(s, slot.address,
                       [&](WireWriter& w) { encode_snapshot(w, s.world, tick, slot.last_applied); });
    }
}

}  // namespace

ServerSession* create_session(const World& world) {
    ServerSession* s = new (std::nothrow) ServerSession;
    if (!s) return nullptr;
    s->world = world;
    return s;
}

void destroy_session(ServerSession* session) { delete session; }

PlayerSlot& occupy_slot(ServerSession& s, uint8_t index) {
    PlayerSlot& slot = s.slots[index];
    slot = PlayerSlot{};
    slot.in_use = true;
    slot.last_heard = s.tick;
    slot.joined_tick = s.tick;
    slot.newest_tick = s.tick;
    slot.numbering_tick = s.tick;
    spawn_plane(s.world, index);
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

void receive(ServerSession& s, const uint8_t* bytes, size_t length, Endpoint sender) {
    MessageHeader header;
    if (!bytes || !read_header(bytes, length, header)) return;
    const int held = find_slot(s, sender);
    if (held >= 0) s.slots[held].last_heard = s.tick;

    ServerMessage message;
    if (!decode_server_message(bytes, length, message)) return;
    if (message.tag == TAG_JOIN_REQUEST) {
        handle_join(s, sender, held);
        return;
    }
    if (held < 0) return;  // the other messages count only from a slot holder
    const uint8_t index = static_cast<uint8_t>(held);
    switch (message.tag) {
    case TAG_INPUT_BATCH: handle_inputs(s, s.slots[index], message.input_batch); break;
    case TAG_LEAVE: remove_player(s, index); break;
    case TAG_CHAT_SEND: handle_chat(s, index, message.chat_send); break;
    default: break;
    }
}

void remove_player(ServerSession& s, uint8_t index) {
    if (!is_slot(index)) return;
    LogText line;
    name_player(line, s, index);
    line << " left";
    s.slots[index] = PlayerSlot{};
    s.world.planes[index] = Plane{};
    World& w = s.world;
    const uint64_t count = std::min<uint64_t>(w.object_count, MAX_OBJECTS);
    for (uint64_t i = 0; i < count; ++i) {
        WorldObject& o = w.objects[i];
        if (o.free || o.owner != index) continue;
        o.owner = NONE;
        // Gone as if destroyed: no hook and no station link keeps pointing
        // at the entry that a later placement reuses.
        if (o.kind == OBJECT_TURRET || o.kind == OBJECT_STATION) free_object(w, static_cast<int>(i));
    }
    s.log_sink(LogLevel::Info, line.view());
}

void server_tick(ServerSession& s) {
    if (s.bots_tick) s.bots_tick(s);
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (s.slots[i].in_use) consume_input(s.slots[i], s.world.planes[i]);
    }
    step_world(s.world);
    ++s.tick;
    time_out_silent_players(s);
    log_wins(s);
    if (s.tick % 2 == 0) queue_snapshots(s);
    if (s.after_tick) s.after_tick(s);
}
