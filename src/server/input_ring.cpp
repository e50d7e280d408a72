#include "server/input_ring.h"

namespace {

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
