#include "net/ticks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "net/dispatch.h"
#include "world/generate.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Datagram {
    uint8_t buf[MAX_DATAGRAM];
    WireWriter w{buf, PROTOCOL_VERSION_21};
    Bytes bytes() const { return Bytes(buf, buf + w.length); }
};

Bytes header(uint8_t tag, uint8_t version = PROTOCOL_VERSION_21) { return {0x53, 0x4B, version, tag}; }

void put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool client_takes(const Bytes& b, ClientMessage& m, uint8_t version = PROTOCOL_VERSION_21) {
    static World scratch;
    return decode_client_message(b.data(), b.size(), version, SnapshotGate{0, 1000, true}, scratch, m);
}

// A run's fixed part, written by hand: first tick, count, own input, edits.
Bytes run_head(uint32_t first, uint8_t count, uint32_t own, std::initializer_list<uint8_t> edits = {}) {
    Bytes b = header(TAG_TICK_RUN);
    put32(b, first);
    b.push_back(count);
    put32(b, own);
    b.push_back(static_cast<uint8_t>(edits.size() / 3));
    b.insert(b.end(), edits);
    return b;
}

TEST(TickRun, WrittenByHandReadsAsTheTableSays) {
    // Ticks 500 and 501; slot 2 joins before 500; no hash; slot 2 thrusts
    // (0x04) at 500, slot 0 turns left (0x01) at 501, slot 2 unchanged.
    Bytes b = run_head(500, 2, 77, {0, EDIT_SPAWN, 2});
    b.push_back(0);  // no hash
    b.insert(b.end(), {0x04, 0x04});  // record 0: slot 2 changed, to 0x04
    b.insert(b.end(), {0x01, 0x01});  // record 1: slot 0 changed, to 0x01
    ClientMessage m;
    ASSERT_TRUE(client_takes(b, m));
    ASSERT_EQ(m.tag, TAG_TICK_RUN);
    const TickRun& r = m.tick_run;
    EXPECT_EQ(r.first_tick, 500u);
    EXPECT_EQ(r.count, 2);
    EXPECT_EQ(last_tick(r), 501u);
    EXPECT_EQ(r.own_input, 77u);
    ASSERT_EQ(r.edit_count, 1);
    EXPECT_EQ(r.edits[0].kind, EDIT_SPAWN);
    EXPECT_EQ(r.edits[0].slot, 2);
    EXPECT_FALSE(r.has_hash);
    const uint8_t first[MAX_PLANES] = {0, 0, 0x04, 0, 0, 0, 0, 0};
    const uint8_t second[MAX_PLANES] = {0x01, 0, 0x04, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(r.inputs[0], first, MAX_PLANES));
    EXPECT_EQ(0, std::memcmp(r.inputs[1], second, MAX_PLANES));
}

TEST(TickRun, EncodesAndDecodesTheSameRun) {
    TickRun run;
    run.first_tick = 0xFFFFFFF0u;  // across the counter's wrap
    run.count = 40;
    run.own_input = 1234;
    run.edits[0] = {3, EDIT_REMOVE, 5};
    run.edits[1] = {3, EDIT_SPAWN, 5};
    run.edits[2] = {39, EDIT_REPLACE, 0};
    run.edit_count = 3;
    run.has_hash = true;
    run.hash_record = 20;
    run.hash = 0x0123456789ABCDEFull;
    for (int i = 0; i < run.count; ++i) {
        for (int s = 0; s < MAX_PLANES; ++s) run.inputs[i][s] = static_cast<uint8_t>((i / (s + 1)) * 37 + s);
    }
    Datagram d;
    encode_tick_run(d.w, run);
    ClientMessage m;
    ASSERT_TRUE(client_takes(d.bytes(), m));
    const TickRun& r = m.tick_run;
    EXPECT_EQ(r.first_tick, run.first_tick);
    EXPECT_EQ(r.count, run.count);
    EXPECT_EQ(r.own_input, run.own_input);
    ASSERT_EQ(r.edit_count, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.edits[i].record, run.edits[i].record);
        EXPECT_EQ(r.edits[i].kind, run.edits[i].kind);
        EXPECT_EQ(r.edits[i].slot, run.edits[i].slot);
    }
    EXPECT_TRUE(r.has_hash);
    EXPECT_EQ(r.hash_record, 20);
    EXPECT_EQ(r.hash, run.hash);
    EXPECT_EQ(0, std::memcmp(r.inputs, run.inputs, sizeof run.inputs[0] * run.count));
}

TEST(TickRun, AnUnchangedSlotCostsOneBit) {
    // Eight players holding the same keys for 10 ticks: the first record
    // names all eight bytes, then one mask byte a tick.
    TickRun run;
    run.first_tick = 100;
    run.count = 10;
    for (int i = 0; i < run.count; ++i) {
        for (int s = 0; s < MAX_PLANES; ++s) run.inputs[i][s] = static_cast<uint8_t>(0x04 + s);
    }
    Datagram d;
    encode_tick_run(d.w, run);
    EXPECT_EQ(d.w.length, 4u + 4 + 1 + 4 + 1 + 1 + (1 + 8) + 9 * 1);
}

TEST(TickRun, ChecksItsFields) {
    ClientMessage m;
    auto records = [](Bytes b, int count) {
        b.push_back(0);  // no hash
        for (int i = 0; i < count; ++i) b.push_back(0);
        return b;
    };
    EXPECT_TRUE(client_takes(records(run_head(1, 1, 0), 1), m));
    EXPECT_FALSE(client_takes(records(run_head(1, 0, 0), 0), m));   // no record
    EXPECT_FALSE(client_takes(records(run_head(1, 65, 0), 65), m));  // over 64
    EXPECT_TRUE(client_takes(records(run_head(1, 64, 0), 64), m));
    EXPECT_FALSE(client_takes(records(run_head(1, 2, 0), 1), m));    // a record missing: Truncated
    EXPECT_FALSE(client_takes(records(run_head(1, 2, 0, {2, EDIT_SPAWN, 0}), 2), m));  // edit of record 2 of 2
    EXPECT_FALSE(client_takes(records(run_head(1, 2, 0, {1, EDIT_SPAWN, 0, 0, EDIT_SPAWN, 1}), 2), m));  // out of order
    EXPECT_TRUE(client_takes(records(run_head(1, 2, 0, {0, EDIT_SPAWN, 0, 1, EDIT_REMOVE, 1}), 2), m));
    EXPECT_TRUE(client_takes(records(run_head(1, 1, 0, {0, EDIT_SPAWN_BOT, 7}), 1), m));
    EXPECT_FALSE(client_takes(records(run_head(1, 1, 0, {0, 0, 0}), 1), m));           // kind 0
    EXPECT_FALSE(client_takes(records(run_head(1, 1, 0, {0, 5, 0}), 1), m));           // kind 5
    EXPECT_FALSE(client_takes(records(run_head(1, 1, 0, {0, EDIT_SPAWN, 8}), 1), m));  // slot 8
    Bytes many = run_head(1, 1, 0);
    many[13] = 33;  // more edits than a run holds
    for (int i = 0; i < 33; ++i) many.insert(many.end(), {0, EDIT_SPAWN, 0});
    EXPECT_FALSE(client_takes(records(many, 1), m));

    Bytes hashed = run_head(1, 2, 0);
    hashed.insert(hashed.end(), {1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0});  // hash of record 1
    EXPECT_TRUE(client_takes(hashed, m));
    EXPECT_EQ(m.tick_run.hash, 0x0807060504030201ull);
    hashed[14 + 1] = 2;  // of record 2 of 2
    EXPECT_FALSE(client_takes(hashed, m));
    Bytes loose = run_head(1, 1, 0);
    loose.insert(loose.end(), {2, 0});  // the hash flag is strict
    EXPECT_FALSE(client_takes(loose, m));
}

TEST(TickRun, OnlyInProtocol21) {
    TickRun run;
    run.count = 1;
    Datagram d;
    encode_tick_run(d.w, run);
    ClientMessage m;
    EXPECT_TRUE(client_takes(d.bytes(), m, PROTOCOL_VERSION_21));
    EXPECT_FALSE(client_takes(d.bytes(), m, PROTOCOL_VERSION));  // a v20 client drops v21 datagrams
    Bytes as_v20 = d.bytes();
    as_v20[2] = PROTOCOL_VERSION;
    EXPECT_FALSE(client_takes(as_v20, m, PROTOCOL_VERSION));  // and tag 9 is no v20 message
}

TEST(InputBatch21, CarriesTheReportBeforeTheInputs) {
    Datagram d;
    const uint8_t packed[3] = {0x01, 0x04, 0x25};
    encode_input_batch_21(d.w, 12, packed, WorldReport{true, false, 0xAABBCCDDu});
    const Bytes b = d.bytes();
    ASSERT_EQ(b.size(), 17u);
    EXPECT_EQ(b[2], PROTOCOL_VERSION_21);
    EXPECT_EQ(b[8], 3);
    EXPECT_EQ(b[9], 0xDD);
    EXPECT_EQ(b[12], 0xAA);
    EXPECT_EQ(b[13], 0x01);
    EXPECT_EQ(b[14], 0x01);
    ServerMessage m;
    ASSERT_TRUE(decode_server_message(b.data(), b.size(), m));
    EXPECT_EQ(m.version, PROTOCOL_VERSION_21);
    EXPECT_EQ(m.input_batch.newest, 12u);
    EXPECT_EQ(m.input_batch.present, 3);
    EXPECT_EQ(pack_input(m.input_batch.inputs[2]), 0x25);
    EXPECT_TRUE(m.report.holds_world);
    EXPECT_FALSE(m.report.wants_world);
    EXPECT_EQ(m.report.held_tick, 0xAABBCCDDu);
}

TEST(InputBatch21, AllowsTheReportAloneAndChecksItsFlags) {
    Bytes b = header(TAG_INPUT_BATCH);
    put32(b, 5);
    b.push_back(0);
    put32(b, 9);
    b.push_back(0x03);
    ServerMessage m;
    ASSERT_TRUE(decode_server_message(b.data(), b.size(), m));
    EXPECT_EQ(m.input_batch.present, 0);
    EXPECT_TRUE(m.report.wants_world);
    b[13] = 0x04;  // an unknown flag
    EXPECT_FALSE(decode_server_message(b.data(), b.size(), m));
    b[13] = 0x01;
    b[8] = 6;  // more inputs than numbers below the newest
    EXPECT_FALSE(decode_server_message(b.data(), b.size(), m));
    b[4] = 100;
    b[8] = 17;  // over 16
    EXPECT_FALSE(decode_server_message(b.data(), b.size(), m));
    Bytes short_report = header(TAG_INPUT_BATCH);
    put32(short_report, 5);
    short_report.push_back(1);
    put32(short_report, 9);
    EXPECT_FALSE(decode_server_message(short_report.data(), short_report.size(), m));  // Truncated
}

// Limits at their edges: a run may hold exactly 32 edits, a whole world
// exactly 8 of the next tick's; a batch given more than 16 inputs keeps the
// newest 16.
TEST(Protocol21Limits, TheLargestCountsAreAllowed) {
    TickRun run;
    run.first_tick = 7;
    run.count = 2;
    run.edit_count = RUN_EDITS_MAX;
    for (int i = 0; i < RUN_EDITS_MAX; ++i) run.edits[i] = {static_cast<uint8_t>(i / 16), EDIT_SPAWN, 1};
    Datagram d;
    encode_tick_run(d.w, run);
    ClientMessage m;
    ASSERT_TRUE(client_takes(d.bytes(), m));
    EXPECT_EQ(m.tick_run.edit_count, RUN_EDITS_MAX);

    static World w;
    generate_world(w);
    Datagram image;
    encode_world_image(image.w, w, 10, 0, {TICK_EDITS_MAX, 0});
    ASSERT_TRUE(client_takes(image.bytes(), m));
    EXPECT_EQ(m.image.edits_included, TICK_EDITS_MAX);

    uint8_t packed[20];
    for (int i = 0; i < 20; ++i) packed[i] = static_cast<uint8_t>(i + 1);  // inputs 11..30
    Datagram batch;
    encode_input_batch_21(batch.w, 30, packed, WorldReport{});
    ServerMessage sm;
    ASSERT_TRUE(decode_server_message(batch.buf, batch.w.length, sm));
    ASSERT_EQ(sm.input_batch.present, 16);
    EXPECT_EQ(first_input(sm.input_batch), 15u);
    EXPECT_EQ(pack_input(sm.input_batch.inputs[0]), 5);   // input 15
    EXPECT_EQ(pack_input(sm.input_batch.inputs[15]), 20);  // input 30
}

// A run without a hash reads as hash 0 of record 0, whatever the record it
// is read into held before.
TEST(TickRun, WithoutAHashReadsAsNone) {
    TickRun run;
    run.first_tick = 3;
    run.count = 1;
    Datagram d;
    encode_tick_run(d.w, run);
    TickRun into;
    into.has_hash = true;
    into.hash_record = 5;
    into.hash = 99;
    WireReader r = make_reader(d.buf, d.w.length, 4);  // after the header
    ASSERT_EQ(decode_tick_run(r, into), WireError::None);
    EXPECT_FALSE(into.has_hash);
    EXPECT_EQ(into.hash_record, 0);
    EXPECT_EQ(into.hash, 0u);
}

// A whole world is the v20 snapshot, then the edits it holds and which
// planes are bots': a bot's bit only for a plane in use.
TEST(WorldImage, IsASnapshotTheEditsItHoldsAndTheBots) {
    static World w;
    generate_world(w);
    spawn_plane(w, 3);
    spawn_plane(w, 6);
    Datagram d;
    encode_world_image(d.w, w, 4000, 12, {2, 1 << 6});
    Datagram v20;
    encode_snapshot(v20.w, w, 4000, 12);
    ASSERT_EQ(d.w.length, v20.w.length + 2);
    EXPECT_EQ(0, std::memcmp(d.buf + 3, v20.buf + 3, v20.w.length - 3));
    ClientMessage m;
    ASSERT_TRUE(client_takes(d.bytes(), m));
    EXPECT_EQ(m.tag, TAG_SNAPSHOT);
    EXPECT_EQ(m.snapshot.tick, 4000u);
    EXPECT_EQ(m.snapshot.acknowledged_input, 12u);
    EXPECT_EQ(m.image.edits_included, 2);
    EXPECT_EQ(m.image.bot_mask, 1 << 6);

    const size_t edits_at = v20.w.length;
    Bytes too_many = d.bytes();
    too_many[edits_at] = TICK_EDITS_MAX + 1;
    EXPECT_FALSE(client_takes(too_many, m));
    Bytes empty_bot = d.bytes();
    empty_bot[edits_at + 1] = (1 << 6) | (1 << 5);  // slot 5 has no plane
    EXPECT_FALSE(client_takes(empty_bot, m));
    Bytes cut = d.bytes();
    cut.pop_back();
    EXPECT_FALSE(client_takes(cut, m));  // both bytes are part of the message
}

}  // namespace
