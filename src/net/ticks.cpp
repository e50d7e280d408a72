#include "net/ticks.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t REPORT_HOLDS_WORLD = 0x01;
constexpr uint8_t REPORT_WANTS_WORLD = 0x02;

void put_u64(WireWriter& w, uint64_t v) {
    put_uint32(w, static_cast<uint32_t>(v));
    put_uint32(w, static_cast<uint32_t>(v >> 32));
}

uint64_t read_u64(WireReader& r) {
    const uint64_t lo = read_uint32(r);
    const uint64_t hi = read_uint32(r);
    return lo | hi << 32;
}

}  // namespace

void encode_input_batch_21(WireWriter& w, uint32_t newest, std::span<const uint8_t> packed, const WorldReport& report) {
    const size_t n = std::min(packed.size(), static_cast<size_t>(MAX_BATCH_INPUTS));
    packed = packed.last(n);
    put_header(w, TAG_INPUT_BATCH);
    put_uint32(w, newest);
    put_uint8(w, static_cast<uint8_t>(n));
    put_uint32(w, report.held_tick);
    put_flags(w, static_cast<uint8_t>((report.holds_world ? REPORT_HOLDS_WORLD : 0) |
                                      (report.wants_world ? REPORT_WANTS_WORLD : 0)));
    for (uint8_t b : packed) put_uint8(w, b);
}

WireError decode_input_batch_21(WireReader& r, InputBatch& batch, WorldReport& report) {
    batch.newest = read_uint32(r);
    batch.count = read_uint8(r);
    wire_check(r, batch.count <= MAX_BATCH_INPUTS && batch.count <= batch.newest);
    report.held_tick = read_uint32(r);
    const uint8_t flags = read_flags(r);
    wire_check(r, (flags & ~(REPORT_HOLDS_WORLD | REPORT_WANTS_WORLD)) == 0);
    report.holds_world = flags & REPORT_HOLDS_WORLD;
    report.wants_world = flags & REPORT_WANTS_WORLD;
    batch.present = 0;
    if (!wire_ok(r)) return r.error;
    read_batch_inputs(r, batch);
    return r.error;
}

void encode_world_image(WireWriter& w, const World& world, uint32_t tick, uint32_t acknowledged_input,
                        ImageExtras extras) {
    encode_snapshot(w, world, tick, acknowledged_input);
    put_uint8(w, extras.edits_included);
    put_flags(w, extras.bot_mask);
}

WireError decode_world_image(WireReader& r, const SnapshotGate& gate, World& scratch, SnapshotInfo& info,
                             ImageExtras& extras) {
    if (decode_snapshot(r, gate, scratch, info) != WireError::None) return r.error;
    extras.edits_included = read_uint8(r);
    wire_check(r, extras.edits_included <= TICK_EDITS_MAX);
    extras.bot_mask = read_flags(r);
    wire_check(r, (extras.bot_mask & ~planes_in_use_mask(scratch)) == 0);
    return r.error;
}

void encode_tick_run(WireWriter& w, const TickRun& run) {
    put_header(w, TAG_TICK_RUN);
    put_uint32(w, run.first_tick);
    put_uint8(w, run.count);
    put_uint32(w, run.own_input);
    put_uint8(w, run.edit_count);
    for (uint8_t i = 0; i < run.edit_count; ++i) {
        put_uint8(w, run.edits[i].record);
        put_uint8(w, run.edits[i].kind);
        put_uint8(w, run.edits[i].slot);
    }
    put_bool(w, run.has_hash);
    if (run.has_hash) {
        put_uint8(w, run.hash_record);
        put_u64(w, run.hash);
    }
    uint8_t previous[MAX_PLANES] = {};
    for (uint8_t i = 0; i < run.count; ++i) {
        uint8_t changed = 0;
        for (int s = 0; s < MAX_PLANES; ++s) {
            if (run.inputs[i][s] != previous[s]) changed |= static_cast<uint8_t>(1u << s);
        }
        put_flags(w, changed);
        for (int s = 0; s < MAX_PLANES; ++s) {
            if (changed & (1u << s)) put_uint8(w, run.inputs[i][s]);
            previous[s] = run.inputs[i][s];
        }
    }
}

WireError decode_tick_run(WireReader& r, TickRun& run) {
    run.first_tick = read_uint32(r);
    run.count = read_uint8(r);
    wire_check(r, run.count >= 1 && run.count <= RUN_TICKS_MAX);
    run.own_input = read_uint32(r);
    run.edit_count = read_uint8(r);
    wire_check(r, run.edit_count <= RUN_EDITS_MAX);
    if (!wire_ok(r)) return r.error;
    for (uint8_t i = 0; i < run.edit_count; ++i) {
        WorldEdit& e = run.edits[i];
        e.record = read_uint8(r);
        e.kind = read_uint8(r);
        e.slot = read_uint8(r);
        // In record order, for records of the run, of a known kind.
        wire_check(r, e.record < run.count && (i == 0 || e.record >= run.edits[i - 1].record));
        wire_check(r, e.kind >= EDIT_SPAWN && e.kind <= EDIT_SPAWN_BOT && is_slot(e.slot));
        if (!wire_ok(r)) return r.error;
    }
    run.has_hash = read_bool_strict(r);
    if (run.has_hash) {
        run.hash_record = read_uint8(r);
        wire_check(r, run.hash_record < run.count);
        run.hash = read_u64(r);
    } else {
        run.hash_record = 0;
        run.hash = 0;
    }
    if (!wire_ok(r)) return r.error;
    uint8_t previous[MAX_PLANES] = {};
    for (uint8_t i = 0; i < run.count; ++i) {
        const uint8_t changed = read_flags(r);
        for (int s = 0; s < MAX_PLANES; ++s) {
            if (changed & (1u << s)) previous[s] = read_uint8(r);
        }
        if (!wire_ok(r)) return r.error;
        std::memcpy(run.inputs[i], previous, MAX_PLANES);
    }
    return r.error;
}
