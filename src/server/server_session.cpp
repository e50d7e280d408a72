#include "server/server_session.h"

#include <new>

#include "net/dispatch.h"
#include "server/chat_relay.h"
#include "server/handshake.h"
#include "server/stream_20.h"
#include "world/step.h"

namespace {

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
    for (int i = 0; i < MAX_PLANES; ++i) {
        const PlayerSlot& slot = s.slots[i];
        if (!slot.in_use || !slot.sent_input) continue;
        if (slot.protocol == PROTOCOL_VERSION_21) send_ticks(s, static_cast<uint8_t>(i));
        else send_snapshot(s, slot);
    }
}

// A slot lives only on valid messages of its own protocol from its own
// address: a datagram that does not decode (another server's snapshot
// reflected at us, say) or that speaks the other protocol neither keeps it
// alive nor switches it.
bool speaks_accepted_protocol(const ServerSession& s, int held, uint8_t version) {
    if (held >= 0) return s.slots[held].protocol == version;
    return version == PROTOCOL_VERSION_21 || s.accepts_protocol_20;
}

}  // namespace

ServerSession* create_session(const World& world) {
    ServerSession* s = new (std::nothrow) ServerSession;
    if (!s) return nullptr;
    s->cookie_key = create_keyed_hash();
    if (!s->cookie_key) {
        delete s;
        return nullptr;
    }
    s->world = world;
    return s;
}

void destroy_session(ServerSession* session) {
    if (!session) return;
    destroy_keyed_hash(session->cookie_key);
    delete session;
}

void receive(ServerSession& s, const uint8_t* bytes, size_t length, Endpoint sender) {
    ServerMessage message;
    if (!bytes || !decode_server_message(bytes, length, message)) return;
    const int held = find_slot(s, sender);
    if (!speaks_accepted_protocol(s, held, message.version)) return;
    if (message.tag == TAG_JOIN_REQUEST) {
        handle_join(s, sender, held, message);
        return;
    }
    if (held < 0) return;  // the other messages count only from a slot holder
    const uint8_t index = static_cast<uint8_t>(held);
    s.slots[index].last_heard = s.tick;
    switch (message.tag) {
    case TAG_INPUT_BATCH: handle_inputs(s, index, message.input_batch, message.version, message.report); break;
    case TAG_LEAVE: remove_player(s, index); break;
    case TAG_CHAT_SEND: handle_chat(s, index, message.chat_send); break;
    default: break;
    }
}

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
