#include "server/stream_21.h"

#include <cstring>

#include "server/session_send.h"
#include "world/world_hash.h"

bool is_v21(const PlayerSlot& slot) { return slot.in_use && slot.protocol == PROTOCOL_VERSION_21; }

void ask_for_world(PlayerSlot& slot) {
    slot.needs_world = true;
    slot.world_sent = false;
}

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

void world_replaced(ServerSession& s) { log_world_edit(s, EDIT_REPLACE, 0); }

namespace {

// A server tick from the low 32 bits a client sent back: the tick at or
// before now with those bits.
uint64_t widen_tick(const ServerSession& s, uint32_t low) {
    const uint32_t back = static_cast<uint32_t>(s.tick) - low;
    return back <= s.tick ? s.tick - back : 0;
}

// At most one line every MISMATCH_WARNING_GAP ticks per slot; the reports
// in between are counted in the next line, so nothing goes unseen.
void warn_mismatch(ServerSession& s, uint8_t index, uint64_t tick) {
    PlayerSlot& slot = s.slots[index];
    if (slot.warned && s.tick - slot.warned_tick < MISMATCH_WARNING_GAP) {
        ++slot.unwarned_mismatches;
        return;
    }
    LogText line;
    line << "player " << static_cast<unsigned>(index) << "'s world differed from the server's by tick "
         << static_cast<unsigned long long>(tick) << "; sending the whole world";
    if (slot.unwarned_mismatches > 0) line << " (" << slot.unwarned_mismatches << " more reports since the last warning)";
    s.log_sink(LogLevel::Warning, line.view());
    slot.warned = true;
    slot.warned_tick = s.tick;
    slot.unwarned_mismatches = 0;
}

// A whole world for a mismatch report, unless one went out for another
// report less than MISMATCH_WORLD_GAP ticks ago: then it waits until then.
void answer_mismatch(ServerSession& s, PlayerSlot& slot) {
    if (slot.mismatches > 1 && s.tick - slot.mismatch_world_tick < MISMATCH_WORLD_GAP) {
        slot.mismatch_waiting = true;
        return;
    }
    slot.mismatch_waiting = false;
    slot.mismatch_world_tick = s.tick;
    ask_for_world(slot);
}

}  // namespace

void take_report(ServerSession& s, uint8_t index, const InputBatch& batch, const WorldReport& report) {
    PlayerSlot& slot = s.slots[index];
    if (batch.newest < slot.report_newest) return;  // an older batch, arriving late
    slot.report_newest = batch.newest;
    slot.holds_world = report.holds_world;
    slot.held_tick = widen_tick(s, report.held_tick);
    if (!report.holds_world) return;
    const bool since_last_image = !slot.world_sent || slot.held_tick >= slot.image_tick;
    if (report.wants_world && !slot.needs_world && !slot.mismatch_waiting && since_last_image) {
        ++slot.mismatches;
        ++s.world_mismatches;
        warn_mismatch(s, index, slot.held_tick);
        answer_mismatch(s, slot);
    } else if (!report.wants_world && slot.needs_world && slot.world_sent && slot.held_tick >= slot.image_tick) {
        slot.needs_world = false;
    }
}

namespace {

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

}  // namespace

void send_ticks(ServerSession& s, uint8_t index) {
    PlayerSlot& slot = s.slots[index];
    if (slot.mismatch_waiting && s.tick - slot.mismatch_world_tick >= MISMATCH_WORLD_GAP) answer_mismatch(s, slot);
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

namespace {

bool any_v21(const ServerSession& s) {
    for (const PlayerSlot& slot : s.slots) {
        if (is_v21(slot)) return true;
    }
    return false;
}

}  // namespace

void capture_inputs(ServerSession& s) {
    for (int i = 0; i < MAX_PLANES; ++i) s.ticks.next.inputs[i] = pack_input(plane_input(s.world.planes[i]));
}

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
