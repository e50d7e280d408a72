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
#include "world/world_hash.h"

namespace {

// Builds one datagram in place at the back of the queue; a full queue drops
// it before anything is encoded. A host with a direct sender gets it at once.
// The datagram is written in protocol `version`.
template <typename Encode>
void queue_datagram(ServerSession& s, Endpoint to, uint8_t version, Encode encode) {
    if (s.send_now) {
        WireWriter w(std::span<uint8_t, MAX_DATAGRAM>(s.send_buffer, MAX_DATAGRAM), version);
        encode(w);
        s.send_now(s.send_context, s.send_buffer, w.length, to);
        return;
    }
    OutgoingDatagram* d = reserve_outgoing(s.outgoing);
    if (!d) return;
    WireWriter w(std::span<uint8_t, MAX_DATAGRAM>(d->bytes, MAX_DATAGRAM), version);
    encode(w);
    commit_outgoing(s.outgoing, to, w.length);
}


void append_address(LogText& line, Endpoint e) {
    line << static_cast<unsigned>(e.address >> 24) << '.' << static_cast<unsigned>((e.address >> 16) & 0xFF) << '.'
         << static_cast<unsigned>((e.address >> 8) & 0xFF) << '.' << static_cast<unsigned>(e.address & 0xFF) << ':'
         << static_cast<unsigned>(e.port);
}

// ---- protocol 21: world edits ------------------------------------------------

bool is_v21(const PlayerSlot& slot) { return slot.in_use && slot.protocol == PROTOCOL_VERSION_21; }

// The client must be sent a whole world before anything else counts.
void ask_for_world(PlayerSlot& slot) {
    slot.needs_world = true;
    slot.world_sent = false;
}

// Records a change made to the world outside the step, for the next tick's
// record. A record that is full ends in a replacement: the clients that
// reach it need a whole world, which every v21 client is then sent.
void log_world_edit(ServerSession& s, uint8_t kind, uint8_t slot) {
    TickRecord& next = s.ticks.next;
    if (next.edit_count > 0 && next.edits[next.edit_count - 1].kind == EDIT_REPLACE) return;
    if (next.edit_count == TICK_EDITS_MAX) {
        kind = EDIT_REPLACE;
        --next.edit_count;
    }
    next.edits[next.edit_count++] = WorldEdit{0, kind, kind == EDIT_REPLACE ? uint8_t{0} : slot};
    if (kind != EDIT_REPLACE) return;
    for (PlayerSlot& p : s.slots) {
        if (is_v21(p)) ask_for_world(p);
    }
}

// ---- joining -------------------------------------------------------------

void handle_join(ServerSession& s, Endpoint sender, int held, uint8_t version) {
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
        // The client may have started over, or switched protocols after
        // unanswered requests: from now on it is answered in this one, and
        // a v21 client gets a whole world again.
        slot.protocol = version;
        if (version == PROTOCOL_VERSION_21) ask_for_world(slot);
        const uint8_t index = static_cast<uint8_t>(held);
        queue_datagram(s, sender, version, [&](WireWriter& w) { encode_welcome(w, index); });
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
        queue_datagram(s, sender, version, [](WireWriter& w) { encode_server_full(w); });
        return;
    }
    const uint8_t index = static_cast<uint8_t>(free_slot);
    PlayerSlot& slot = occupy_slot(s, index);
    slot.address = sender;
    slot.protocol = version;

    LogText line;
    name_player(line, s, index);
    line << " joined from ";
    append_address(line, sender);
    s.log_sink(LogLevel::Info, line.view());
    queue_datagram(s, sender, version, [&](WireWriter& w) { encode_welcome(w, index); });
}

// ---- inputs --------------------------------------------------------------

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

InputRecord make_record(uint32_t sequence, const PlaneInput& in) {
    return {sequence,
            static_cast<uint8_t>(in.turn_left),
            static_cast<uint8_t>(in.turn_right),
            static_cast<uint8_t>(in.thrust),
            static_cast<uint8_t>(in.fire),
            static_cast<uint8_t>(in.hook_key),
            in.buy_item};
}

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
    slot.report_newest = 0;
}

// A server tick from the low 32 bits a client sent back: the tick at or
// before now with those bits.
uint64_t widen_tick(const ServerSession& s, uint32_t low) {
    const uint32_t back = static_cast<uint32_t>(s.tick) - low;
    return back <= s.tick ? s.tick - back : 0;
}

void warn_mismatch(ServerSession& s, uint8_t index, uint64_t tick) {
    LogText line;
    line << "player " << static_cast<unsigned>(index) << "'s world differed from the server's by tick "
         << static_cast<unsigned long long>(tick) << "; sending the whole world";
    s.log_sink(LogLevel::Warning, line.view());
}

// What a v21 client's newest batch says about its confirmed world. A
// request for a whole world counts once: until the client has taken the
// world sent for it, later batches (and late ones) repeat the same request.
void take_report(ServerSession& s, uint8_t index, const InputBatch& batch, const WorldReport& report) {
    PlayerSlot& slot = s.slots[index];
    if (batch.newest < slot.report_newest) return;  // an older batch, arriving late
    slot.report_newest = batch.newest;
    slot.holds_world = report.holds_world;
    slot.held_tick = widen_tick(s, report.held_tick);
    if (!report.holds_world) return;
    const bool since_last_image = !slot.world_sent || slot.held_tick >= slot.image_tick;
    if (report.wants_world && !slot.needs_world && since_last_image) {
        ask_for_world(slot);
        ++slot.mismatches;
        ++s.world_mismatches;
        warn_mismatch(s, index, slot.held_tick);
    } else if (!report.wants_world && slot.needs_world && slot.world_sent && slot.held_tick >= slot.image_tick) {
        slot.needs_world = false;
    }
}

void handle_inputs(ServerSession& s, uint8_t index, const InputBatch& batch, uint8_t version,
                   const WorldReport& report) {
    PlayerSlot& slot = s.slots[index];
    const bool v21 = version == PROTOCOL_VERSION_21 && slot.protocol == PROTOCOL_VERSION_21;
    if (v21 && slot.sent_input) take_report(s, index, batch, report);
    if (batch.present == 0) return;
    if (v21 && !slot.sent_input) ask_for_world(slot);  // its first valid batch: now it may have the world
    slot.sent_input = true;
    if (first_input(batch) == 1 && restart_pending(slot, s.tick)) restart_numbering(slot, s.tick);
    store_inputs(slot, batch, s.tick);
}

// ---- chat ----------------------------------------------------------------

void queue_relay(ServerSession& s, const PlayerSlot& to, const PlayerSlot& from, uint8_t sender) {
    const std::string_view text(from.last_chat_text, from.last_chat_length);
    queue_datagram(s, to.address, to.protocol, [&](WireWriter& w) {
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
                if (to.in_use && to.sent_input) queue_relay(s, to, from, index);
            }
        }
    } else if (chat.sequence == from.last_chat_sequence && from.last_chat_serial != 0 && from.sent_input) {
        // The sender missed the relay: once more, to the sender only.
        queue_relay(s, from, from, index);
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

// ---- protocol 21: what each client is sent ---------------------------------

const TickRecord* logged_tick(const ServerSession& s, uint64_t tick) {
    const TickRecord& r = s.ticks.records[tick % TICK_LOG];
    return tick != 0 && r.tick == tick ? &r : nullptr;
}

// Ticks after `base` up to now, as many as one run holds (its edits too).
// False when the log no longer has the first of them.
bool build_run(ServerSession& s, uint8_t index, uint64_t base, TickRun& run) {
    run.first_tick = static_cast<uint32_t>(base + 1);
    run.count = 0;
    run.edit_count = 0;
    run.has_hash = false;
    for (uint64_t t = base + 1; t <= s.tick && run.count < RUN_TICKS_MAX; ++t) {
        const TickRecord* r = logged_tick(s, t);
        if (!r) return run.count > 0;
        if (run.edit_count + r->edit_count > RUN_EDITS_MAX) break;
        for (uint8_t e = 0; e < r->edit_count; ++e) {
            WorldEdit edit = r->edits[e];
            edit.record = run.count;
            run.edits[run.edit_count++] = edit;
        }
        if (r->has_hash) {
            run.has_hash = true;
            run.hash_record = run.count;
            run.hash = r->hash;
        }
        std::memcpy(run.inputs[run.count], r->inputs, MAX_PLANES);
        run.own_input = r->applied[index];
        ++run.count;
    }
    return true;
}

// The slots whose planes computer players fly, so that the client names them "Bot N".
uint8_t bot_planes(const ServerSession& s) {
    uint8_t mask = 0;
    for (int i = 0; i < MAX_PLANES; ++i) mask |= static_cast<uint8_t>((s.slots[i].bot && s.world.planes[i].in_use) << i);
    return mask;
}

void send_world_image(ServerSession& s, PlayerSlot& slot) {
    const uint32_t tick = static_cast<uint32_t>(s.tick);
    const ImageExtras extras{s.ticks.next.edit_count, bot_planes(s)};
    queue_datagram(s, slot.address, slot.protocol, [&](WireWriter& w) {
        encode_world_image(w, s.world, tick, slot.last_applied, extras);
    });
    slot.world_sent = true;
    slot.world_sent_tick = s.tick;
    slot.image_tick = s.tick;
}

// A whole world while the client needs one (again every WORLD_RESEND ticks
// until it is acknowledged), then every tick the client has not
// acknowledged: a lost datagram costs nothing but the resend.
void send_ticks(ServerSession& s, uint8_t index) {
    PlayerSlot& slot = s.slots[index];
    const bool held_in_log = slot.holds_world && slot.held_tick <= s.tick && s.tick - slot.held_tick < TICK_LOG;
    if (!slot.needs_world && !held_in_log) ask_for_world(slot);
    if (slot.needs_world && (!slot.world_sent || s.tick - slot.world_sent_tick >= WORLD_RESEND)) {
        send_world_image(s, slot);
    }
    uint64_t base = slot.held_tick;
    if (slot.needs_world || !held_in_log || base < slot.image_tick) base = slot.image_tick;
    if (base >= s.tick) return;
    TickRun& run = s.run_scratch;
    if (!build_run(s, index, base, run)) {
        ask_for_world(slot);
        return;
    }
    if (run.count == 0) return;
    queue_datagram(s, slot.address, slot.protocol, [&](WireWriter& w) { encode_tick_run(w, run); });
}

void queue_snapshots(ServerSession& s) {
    const uint32_t tick = static_cast<uint32_t>(s.tick);
    for (int i = 0; i < MAX_PLANES; ++i) {
        const PlayerSlot& slot = s.slots[i];
        if (!slot.in_use || !slot.sent_input) continue;
        if (slot.protocol == PROTOCOL_VERSION_21) {
            send_ticks(s, static_cast<uint8_t>(i));
            continue;
        }
        queue_datagram(s, slot.address, slot.protocol,
                       [&](WireWriter& w) { encode_snapshot(w, s.world, tick, slot.last_applied); });
    }
}

bool any_v21(const ServerSession& s) {
    for (const PlayerSlot& slot : s.slots) {
        if (is_v21(slot)) return true;
    }
    return false;
}

// Every writer of the planes' input fields (input consumption, and any
// other source of inputs) has run: what the planes hold now is what the
// step applies, and what a v21 client needs.
void capture_inputs(ServerSession& s) {
    for (int i = 0; i < MAX_PLANES; ++i) s.ticks.next.inputs[i] = pack_input(plane_input(s.world.planes[i]));
}

// The step made tick `s.tick`: its record goes into the log.
void log_tick(ServerSession& s) {
    TickRecord& r = s.ticks.next;
    r.tick = s.tick;
    for (int i = 0; i < MAX_PLANES; ++i) r.applied[i] = s.slots[i].last_applied;
    if (s.tick % TICK_HASH_INTERVAL == 0 && any_v21(s)) {
        r.has_hash = true;
        r.hash = hash_world(s.world);
    }
    s.ticks.records[s.tick % TICK_LOG] = r;
    r = TickRecord{};
}

}  // namespace

ServerSession* create_session(const World& world) {
    ServerSession* s = new (std::nothrow) ServerSession;
    if (!s) return nullptr;
    s->world = world;
    return s;
}

void destroy_session(ServerSession* session) { delete session; }

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

void receive(ServerSession& s, const uint8_t* bytes, size_t length, Endpoint sender) {
    MessageHeader header;
    if (!bytes || !read_header(bytes, length, header)) return;
    const int held = find_slot(s, sender);
    if (held >= 0) s.slots[held].last_heard = s.tick;

    ServerMessage message;
    if (!decode_server_message(bytes, length, message)) return;
    if (message.tag == TAG_JOIN_REQUEST) {
        handle_join(s, sender, held, message.version);
        return;
    }
    if (held < 0) return;  // the other messages count only from a slot holder
    const uint8_t index = static_cast<uint8_t>(held);
    switch (message.tag) {
    case TAG_INPUT_BATCH: handle_inputs(s, index, message.input_batch, message.version, message.report); break;
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
    remove_plane(s.world, index);
    log_world_edit(s, EDIT_REMOVE, index);
    s.log_sink(LogLevel::Info, line.view());
}

void world_replaced(ServerSession& s) { log_world_edit(s, EDIT_REPLACE, 0); }

void server_tick(ServerSession& s) {
    if (s.bots_tick) s.bots_tick(s);
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (s.slots[i].in_use) consume_input(s.slots[i], s.world.planes[i]);
    }
    capture_inputs(s);
    step_world(s.world);
    ++s.tick;
    log_tick(s);
    time_out_silent_players(s);
    log_wins(s);
    if (s.tick % 2 == 0) queue_snapshots(s);
    if (s.after_tick) s.after_tick(s);
}
