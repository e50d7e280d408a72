#include "client/client_session.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "base/log.h"
#include "net/dispatch.h"
#include "net/snapshot.h"
#include "net/ticks.h"
#include "world/damage.h"
#include "world/generate.h"
#include "world/geometry.h"
#include "world/step.h"
#include "world/world_hash.h"

namespace {

WireWriter writer(ClientSession& c) {
    return WireWriter(std::span<uint8_t, MAX_DATAGRAM>(c.outgoing), c.protocol);
}

bool speaks_21(const ClientSession& c) { return c.protocol == PROTOCOL_VERSION_21; }

bool joined(const ClientSession& c) { return c.state == ConnectionState::Joined; }

void send_join_request(ClientSession& c, ServerLink& link) {
    WireWriter w = writer(c);
    if (speaks_21(c)) encode_join_request_21(w, c.cookie);
    else encode_join_request(w);
    send(link, c.outgoing, w.length);
    c.join_sent = true;
    c.last_join_tick = c.client_tick;
    ++c.join_tries;
}

// Unanswered requests in one protocol: the server may speak only the other.
void maybe_switch_protocol(ClientSession& c) {
    if (c.protocol_fixed || c.state != ConnectionState::Connecting || c.join_tries < JOIN_TRIES_PER_PROTOCOL) return;
    c.protocol = speaks_21(c) ? static_cast<uint8_t>(PROTOCOL_VERSION) : static_cast<uint8_t>(PROTOCOL_VERSION_21);
    c.join_tries = 0;
}

// The inputs acknowledged + 1 .. newest that fit in one batch, oldest first;
// none when the server has applied them all.
void send_input_batch(ClientSession& c, ServerLink& link, uint32_t newest) {
    const uint32_t unacknowledged = newest - c.acknowledged_input;
    const uint32_t count = std::min(unacknowledged, INPUT_WINDOW);
    uint8_t packed[INPUT_WINDOW];
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t number = newest - count + 1 + i;
        packed[i] = pack_input(c.history[number % INPUT_HISTORY]);
    }
    WireWriter w = writer(c);
    if (speaks_21(c)) {
        const WorldReport report{c.holds_world, c.wants_world, c.confirmed_tick};
        encode_input_batch_21(w, newest, std::span<const uint8_t>(packed, count), report);
    } else {
        encode_input_batch(w, newest, std::span<const uint8_t>(packed, count));
    }
    send(link, c.outgoing, w.length);
}

void send_oldest_chat_line(ClientSession& c, ServerLink& link) {
    const ChatLine& line = c.pending[0];
    WireWriter w = writer(c);
    encode_chat_send(w, c.chat_sequence, std::string_view(line.text, line.length));
    send(link, c.outgoing, w.length);
    c.last_chat_send_tick = c.client_tick;
}

ChatLine make_line(std::string_view text, uint8_t sender) {
    ChatLine line;
    line.length = static_cast<uint8_t>(std::min(text.size(), MAX_TEXT));
    std::memcpy(line.text, text.data(), line.length);
    line.sender = sender;
    return line;
}

// ---- snapshots ---------------------------------------------------------------

uint8_t dead_mask(const World& w) {
    uint8_t mask = 0;
    for (int i = 0; i < MAX_PLANES; ++i) {
        if (w.planes[i].in_use && w.planes[i].dead) mask |= static_cast<uint8_t>(1u << i);
    }
    return mask;
}

void note_presence(ClientSession& c, const World& incoming) {
    const uint8_t present = planes_in_use_mask(incoming);
    const uint8_t dead = dead_mask(incoming);
    if (c.have_previous) {
        c.joined_mask |= present & static_cast<uint8_t>(~c.previous_present);
        c.left_mask |= c.previous_present & static_cast<uint8_t>(~present);
        c.destroyed_mask |= dead & static_cast<uint8_t>(~c.previous_dead);
    }
    c.previous_present = present;
    c.previous_dead = dead;
    c.have_previous = true;
}

// The inputs the server had not applied yet in the world just adopted
// (whose last applied own input is `acknowledged`), stepped again on it.
void replay_unacknowledged(ClientSession& c, uint32_t acknowledged) {
    const int64_t next = c.next_input;
    const int64_t first = std::max<int64_t>({static_cast<int64_t>(acknowledged) + 1, next - INPUT_HISTORY, 0});
    Plane* own = c.own_slot < MAX_PLANES ? &c.world.planes[c.own_slot] : nullptr;
    for (int64_t n = first; n < next; ++n) {
        if (own && own->in_use) set_plane_input(*own, c.history[n % INPUT_HISTORY]);
        step_world(c.world);
    }
}

// Everything an accepted snapshot tells at once; its world waits for
// adopt_snapshot, where only the newest of a frame is replayed.
void accept_snapshot(ClientSession& c, const SnapshotInfo& info, uint8_t image) {
    c.last_snapshot_tick = info.tick;
    c.last_heard_tick = c.client_tick;
    note_presence(c, c.incoming[image]);
    c.acknowledged_input = std::max(c.acknowledged_input, info.acknowledged_input);
    c.newest_incoming = image;
    c.snapshot_waiting = true;
    ++c.snapshots_accepted;
}

// The image the next snapshot is decoded into: never the one waiting.
uint8_t decode_image(const ClientSession& c) {
    return c.snapshot_waiting ? static_cast<uint8_t>(1 - c.newest_incoming) : c.newest_incoming;
}

// ---- protocol 21: the confirmed world -------------------------------------------

// What a v20 snapshot tells, told by the confirmed world: the server is
// there, these inputs are applied, these players are present; the next
// frame rebuilds the prediction from it.
void confirmed_world_moved(ClientSession& c) {
    c.confirmed_advanced = true;
    c.acknowledged_input = std::max(c.acknowledged_input, c.confirmed_input);
    c.last_snapshot_tick = c.confirmed_tick;
    c.last_heard_tick = c.client_tick;
    note_presence(c, c.confirmed);
    ++c.snapshots_accepted;
}

// A whole world from the server, taken when it is newer than the confirmed
// one (also past a replacement the client stopped at), or when the client
// asked for one after a mismatch and this one is of that tick or later.
void take_world_image(ClientSession& c, const SnapshotInfo& info, const ImageExtras& extras, uint8_t image) {
    const uint8_t edits = extras.edits_included;
    const bool newer = !c.holds_world || tick_is_newer(info.tick, c.confirmed_tick) ||
                       (info.tick == c.confirmed_tick && edits > c.confirmed_edits);
    const bool wanted = c.wants_world && !tick_is_newer(c.want_tick, info.tick);
    if (!newer && !wanted) return;
    std::memcpy(&c.confirmed, &c.incoming[image], sizeof(World));
    c.holds_world = true;
    c.confirmed_tick = info.tick;
    c.confirmed_edits = edits;
    c.confirmed_input = info.acknowledged_input;
    // Bits of planes that left before the image are kept until their slots are taken again.
    c.bot_mask = static_cast<uint8_t>((c.bot_mask & ~planes_in_use_mask(c.confirmed)) | extras.bot_mask);
    c.blocked = false;
    c.wants_world = false;
    ++c.images_taken;
    confirmed_world_moved(c);
}

void set_bot(ClientSession& c, uint8_t slot, bool bot) {
    const uint8_t bit = static_cast<uint8_t>(1u << slot);
    c.bot_mask = bot ? static_cast<uint8_t>(c.bot_mask | bit) : static_cast<uint8_t>(c.bot_mask & ~bit);
}

// Makes the edits of record `index` after the first `skip` of them. False
// when one is a replacement: the client stops there, its position counting
// the edits made before it, until a whole world comes.
bool apply_edits(ClientSession& c, const TickRun& run, uint8_t index, uint8_t skip) {
    uint8_t made = 0;
    for (uint8_t i = 0; i < run.edit_count; ++i) {
        const WorldEdit& e = run.edits[i];
        if (e.record != index) continue;
        if (made++ < skip) continue;
        if (e.kind == EDIT_SPAWN || e.kind == EDIT_SPAWN_BOT) {
            spawn_plane(c.confirmed, e.slot);
            set_bot(c, e.slot, e.kind == EDIT_SPAWN_BOT);
        }
        // A bot that left keeps its bit, so that it leaves as "Bot N".
        if (e.kind == EDIT_REMOVE) remove_plane(c.confirmed, e.slot);
        if (e.kind == EDIT_REPLACE) {
            c.blocked = true;
            c.confirmed_edits = static_cast<uint8_t>(made - 1);
            return false;
        }
    }
    return true;
}

// One record: its edits, then the inputs the server gave each plane, then
// the step; the hash check when the record carries the server's hash.
bool apply_record(ClientSession& c, const TickRun& run, uint8_t index, uint8_t skip) {
    if (!apply_edits(c, run, index, skip)) return false;
    for (int s = 0; s < MAX_PLANES; ++s) {
        Plane& p = c.confirmed.planes[s];
        if (p.in_use) set_plane_input(p, unpack_input(run.inputs[index][s]));
    }
    step_world(c.confirmed);
    ++c.confirmed_tick;
    c.confirmed_edits = 0;
    ++c.ticks_confirmed;
    if (run.has_hash && run.hash_record == index && hash_world(c.confirmed) != run.hash) {
        log_line(LogLevel::Warning, "the world differs from the server's; asking for the whole world");
        c.wants_world = true;
        c.want_tick = c.confirmed_tick;
        ++c.world_mismatches;
        return false;
    }
    return true;
}

// The records of a run that follow the confirmed tick. A run that starts
// further on waits for the resend that follows the client's acknowledgement.
void apply_tick_run(ClientSession& c, const TickRun& run) {
    if (!c.holds_world || c.blocked || c.wants_world || run.own_input >= c.next_input) return;
    if (!tick_is_newer(last_tick(run), c.confirmed_tick)) return;
    const uint32_t first = c.confirmed_tick + 1u - run.first_tick;
    if (first >= run.count) return;  // a gap before the run
    for (uint32_t i = first; i < run.count; ++i) {
        const uint8_t skip = i == first ? c.confirmed_edits : 0;
        if (!apply_record(c, run, static_cast<uint8_t>(i), skip)) return;
    }
    c.confirmed_input = run.own_input;
    confirmed_world_moved(c);
}

// ---- chat relays ---------------------------------------------------------------

bool serial_seen(const ClientSession& c, uint32_t serial) {
    for (int i = 0; i < c.seen_count; ++i) {
        if (c.seen_serials[i] == serial) return true;
    }
    return false;
}

void remember_serial(ClientSession& c, uint32_t serial) {
    if (c.seen_count == SEEN_SERIALS) {
        std::memmove(&c.seen_serials[0], &c.seen_serials[1], sizeof(uint32_t) * (SEEN_SERIALS - 1));
        --c.seen_count;
    }
    c.seen_serials[c.seen_count++] = serial;
}

void drop_oldest_pending(ClientSession& c) {
    std::memmove(&c.pending[0], &c.pending[1], sizeof(ChatLine) * (CHAT_PENDING - 1));
    --c.pending_count;
    c.pending[c.pending_count] = ChatLine{};
}

void apply_chat_relay(ClientSession& c, const ChatRelay& relay) {
    if (relay.sender == c.own_slot && c.pending_count > 0 && relay.sequence == c.chat_sequence) {
        drop_oldest_pending(c);
        ++c.chat_sequence;
        c.last_chat_send_tick = 0;  // the next pending line goes out on the next tick
    }
    if (serial_seen(c, relay.serial)) return;
    remember_serial(c, relay.serial);
    if (c.received_count == RECEIVED_LINES) {
        std::memmove(&c.received[0], &c.received[1], sizeof(ChatLine) * (RECEIVED_LINES - 1));
        --c.received_count;
    }
    c.received[c.received_count++] = make_line(relay.text, relay.sender);
}

}  // namespace

void reset_client_session(ClientSession& c) { c = ClientSession{}; }

void choose_protocol(ClientSession& c, uint8_t protocol, bool fixed) {
    c.protocol = fixed ? protocol : static_cast<uint8_t>(PROTOCOL_VERSION_21);
    c.protocol_fixed = fixed;
    c.join_tries = 0;
}

void handle_datagram(ClientSession& c, const uint8_t* bytes, size_t length) {
    // A snapshot is decoded only when it can be used: the decoder's gate
    // holds the tick and input checks.
    MessageHeader header;
    if (!read_header(bytes, length, header) || header.version != c.protocol) return;
    if ((header.tag == TAG_SNAPSHOT || header.tag == TAG_CHAT_RELAY || header.tag == TAG_TICK_RUN) && !joined(c)) {
        return;
    }

    // Until the first snapshot of a session any tick is newer: the server's
    // counter may stand anywhere in its 32-bit range. A v21 world image is
    // judged against the confirmed world instead (take_world_image).
    const SnapshotGate gate{c.last_snapshot_tick, c.next_input, !c.have_previous || speaks_21(c)};
    const uint8_t image = decode_image(c);
    ClientMessage message;
    if (!decode_client_message(bytes, length, c.protocol, gate, c.incoming[image], message)) return;
    switch (message.tag) {
    case TAG_WELCOME:
        if (joined(c)) return;
        c.state = ConnectionState::Joined;
        c.own_slot = message.welcome.slot;
        c.last_heard_tick = c.client_tick;
        break;
    case TAG_SERVER_FULL:
        if (c.state == ConnectionState::Connecting) c.state = ConnectionState::Full;
        break;
    case TAG_CHALLENGE:
        // The server wants proof that we receive at our address: the next
        // request, at once, echoes its cookie. It speaks 21, so no switching.
        if (c.state != ConnectionState::Connecting) return;
        c.cookie = message.challenge;
        c.join_sent = false;
        c.join_tries = 0;
        break;
    case TAG_SNAPSHOT:
        if (speaks_21(c)) {
            take_world_image(c, message.snapshot, message.image, image);
        } else {
            accept_snapshot(c, message.snapshot, image);
        }
        break;
    case TAG_TICK_RUN: apply_tick_run(c, message.tick_run); break;
    case TAG_CHAT_RELAY: apply_chat_relay(c, message.chat_relay); break;
    default: break;
    }
}

bool adopt_snapshot(ClientSession& c) {
    const bool v21 = speaks_21(c);
    if (v21 ? !c.confirmed_advanced : !c.snapshot_waiting) return false;
    c.snapshot_waiting = false;
    c.confirmed_advanced = false;

    Vec2 displayed[MAX_PLANES];
    Vec2 predicted[MAX_PLANES];
    bool remembered[MAX_PLANES];
    for (int i = 0; i < MAX_PLANES; ++i) {
        remembered[i] = c.world.planes[i].in_use;
        predicted[i] = c.world.planes[i].pos;
        displayed[i] = displayed_position(c, i);
    }

    std::memcpy(&c.world, v21 ? &c.confirmed : &c.incoming[c.newest_incoming], sizeof(World));
    replay_unacknowledged(c, v21 ? c.confirmed_input : c.acknowledged_input);

    c.predicted_mask = 0;
    for (int i = 0; i < MAX_PLANES; ++i) {
        c.smoothing[i] = {0, 0};
        c.prediction_error[i] = {0, 0};
        const Plane& p = c.world.planes[i];
        if (!remembered[i] || !p.in_use) continue;
        // Taken to the nearest wrapped copy, so a plane that crossed the
        // world's edge counts its true, short correction.
        const Vec2 d = wrapped_delta(p.pos, displayed[i], c.world.size);
        if (d.x * d.x + d.y * d.y < SMOOTHING_LIMIT_SQUARED) c.smoothing[i] = d;
        c.prediction_error[i] = wrapped_delta(p.pos, predicted[i], c.world.size);
        c.predicted_mask |= static_cast<uint8_t>(1u << i);
    }
    ++c.snapshots_adopted;
    return true;
}

void receive_from_server(ClientSession& c, ServerLink& link) {
    collect(
        link, [](void* context, const uint8_t* bytes, size_t length) {
            handle_datagram(*static_cast<ClientSession*>(context), bytes, length);
        },
        &c);
    adopt_snapshot(c);
}

void advance_client(ClientSession& c, ServerLink& link, const InputByte& input) {
    ++c.client_tick;
    for (Vec2& v : c.smoothing) v *= SMOOTHING_DECAY;

    if (!joined(c)) {
        if (!c.join_sent || c.client_tick - c.last_join_tick >= JOIN_RETRY) {
            maybe_switch_protocol(c);
            send_join_request(c, link);
        }
        return;
    }
    if (c.client_tick - c.last_heard_tick > SERVER_SILENCE) {
        log_line(LogLevel::Warning, "lost connection to the server");
        const uint8_t protocol = c.protocol;
        const bool fixed = c.protocol_fixed;
        reset_client_session(c);
        c.protocol = protocol;
        c.protocol_fixed = fixed;
        return;
    }

    const uint32_t number = c.next_input++;
    c.history[number % INPUT_HISTORY] = input;
    send_input_batch(c, link, number);
    if (c.own_slot < MAX_PLANES && c.world.planes[c.own_slot].in_use) {
        set_plane_input(c.world.planes[c.own_slot], input);
    }
    step_world(c.world);

    if (c.pending_count > 0 && c.client_tick - c.last_chat_send_tick >= CHAT_RETRY) send_oldest_chat_line(c, link);
}

void queue_chat_line(ClientSession& c, ServerLink& link, std::string_view text) {
    if (c.pending_count >= CHAT_PENDING) return;
    c.pending[c.pending_count++] = make_line(text, static_cast<uint8_t>(c.own_slot));
    if (c.pending_count == 1) send_oldest_chat_line(c, link);
}

Vec2 displayed_position(const ClientSession& c, int slot) {
    return wrap(c.world.planes[slot].pos + c.smoothing[slot], c.world.size);
}
