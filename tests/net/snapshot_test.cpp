#include "net/snapshot.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "net/dispatch.h"
#include "net/messages.h"
#include "net/net_worlds.h"

namespace {

using net_test::as_received;
using net_test::same_world;
using net_test::SmallLayout;
using Bytes = std::vector<uint8_t>;

constexpr uint32_t TICK_SENT = 1000;
constexpr uint32_t ACK_SENT = 40;
constexpr SnapshotGate OPEN_GATE{TICK_SENT - 1, ACK_SENT + 1};

Bytes encode(const World& w, uint32_t tick = TICK_SENT, uint32_t ack = ACK_SENT) {
    static uint8_t buf[MAX_DATAGRAM];
    WireWriter writer{buf};
    encode_snapshot(writer, w, tick, ack);
    return Bytes(buf, buf + writer.length);
}

// Decodes through the client's dispatcher, as the client session does.
struct Received {
    std::unique_ptr<World> scratch = std::make_unique<World>();
    ClientMessage message;
    bool accepted = false;
};

Received decode(const Bytes& b, SnapshotGate gate = OPEN_GATE) {
    Received r;
    r.accepted = decode_client_message(b.data(), b.size(), gate, *r.scratch, r.message);
    return r;
}

void poke_u8(Bytes& b, size_t at, uint8_t v) { b.at(at) = v; }
void poke_u32(Bytes& b, size_t at, uint32_t v) {
    ASSERT_LE(at + 4, b.size());
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void poke_f32(Bytes& b, size_t at, float v) { poke_u32(b, at, std::bit_cast<uint32_t>(v)); }
uint32_t peek_u32(const Bytes& b, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b.at(at + i)) << (8 * i);
    return v;
}
uint16_t peek_u16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8)); }

TEST(SnapshotSize, SmallestAndLargest) {
    const World empty{};
    EXPECT_EQ(encode(empty).size(), SNAPSHOT_MIN_SIZE);
    EXPECT_EQ(SNAPSHOT_MIN_SIZE, 136u);
    const auto largest = std::make_unique<World>(net_test::maximal_world());
    EXPECT_EQ(encode(*largest).size(), SNAPSHOT_MAX_SIZE);
    EXPECT_EQ(SNAPSHOT_MAX_SIZE, 12524u);
    EXPECT_LT(SNAPSHOT_MAX_SIZE, MAX_DATAGRAM);
    EXPECT_EQ(encode(net_test::small_world()).size(), SmallLayout::size);
}

TEST(SnapshotSize, EachRecordHasItsWireSize) {
    struct Case {
        const char* name;
        void (*build)(World&);
        size_t extra;
    };
    const Case cases[] = {
        {"plane, hook in", [](World& w) { net_test::fill_plane(w.planes[4], 4, false, true); }, 68},
        {"plane, hook out", [](World& w) { net_test::fill_plane(w.planes[4], 4, true, false); }, 97},
        {"body", [](World& w) { w.body_count = 1; net_test::fill_body(w.bodies[0], 1); }, 23},
        {"shot", [](World& w) { w.shot_count = 1; net_test::fill_shot(w.shots[0], 1); }, 23},
        {"object, 3 points", [](World& w) { w.object_count = 1; net_test::fill_object(w.objects[0], 1, 3); }, 117},
        {"object, 8 points", [](World& w) { w.object_count = 1; net_test::fill_object(w.objects[0], 1, 8); }, 157},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        World w{};
        c.build(w);
        EXPECT_EQ(encode(w).size(), SNAPSHOT_MIN_SIZE + c.extra);
    }
}

TEST(SnapshotRoundTrip, MaximalWorld) {
    const auto sent = std::make_unique<World>(net_test::maximal_world());
    const Received got = decode(encode(*sent));
    ASSERT_TRUE(got.accepted);
    EXPECT_EQ(got.message.tag, TAG_SNAPSHOT);
    EXPECT_EQ(got.message.snapshot.tick, TICK_SENT);
    EXPECT_EQ(got.message.snapshot.acknowledged_input, ACK_SENT);
    EXPECT_TRUE(same_world(*got.scratch, as_received(*sent)));
    EXPECT_EQ(got.scratch->event_count, 0u);
}

// A plane whose hook is in, a plane that is not there, and events: the image
// is complete whatever the scratch held before.
TEST(SnapshotRoundTrip, ScratchLeftoversNeverSurvive) {
    auto sent = std::make_unique<World>(net_test::small_world());
    net_test::fill_plane(sent->planes[6], 6, false, true);  // hook in, dead
    Received got;
    *got.scratch = net_test::maximal_world();  // every slot in use, hooks out
    got.scratch->event_count = 5;
    const Bytes b = encode(*sent);
    got.accepted = decode_client_message(b.data(), b.size(), OPEN_GATE, *got.scratch, got.message);
    ASSERT_TRUE(got.accepted);
    EXPECT_TRUE(same_world(*got.scratch, as_received(*sent)));
    EXPECT_EQ(got.scratch->event_count, 0u);
    EXPECT_TRUE(got.scratch->planes[6].in_use);
    EXPECT_FALSE(got.scratch->planes[6].hook_out);
    EXPECT_EQ(got.scratch->planes[6].rope_length, 0.0f);
    EXPECT_FALSE(got.scratch->planes[0].in_use);
    EXPECT_EQ(got.scratch->planes[0].boarding_vessel, 0);  // cleared slots are all zero
}

// The fixed part sits at its offsets; records follow in the stated order.
TEST(SnapshotLayout, FieldsAtTheirOffsets) {
    World w = net_test::small_world();
    net_test::fill_rules(w.rules);
    w.winner = 3;
    w.winner_vessel = 9;
    w.spawn_counter = 0xA1B2C3D4;
    w.round_over_timer = 2.5f;
    const Bytes b = encode(w, 0x11223344, 0x55667788);
    const auto f32 = [&](size_t at) { return std::bit_cast<float>(peek_u32(b, at)); };
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{0x53, 0x4B, 20, 5}));
    EXPECT_EQ(peek_u32(b, 4), 0x11223344u);
    EXPECT_EQ(peek_u32(b, 8), 0x55667788u);
    EXPECT_EQ(f32(12), 9600.0f);
    EXPECT_EQ(f32(16), 5400.0f);
    EXPECT_EQ(peek_u32(b, 20), 0xA1B2C3D4u);
    EXPECT_EQ(b[24], 3);
    EXPECT_EQ(b[25], 9);
    EXPECT_EQ(f32(26), 2.5f);
    EXPECT_EQ(peek_u16(b, 30), w.rules.plane_health);
    EXPECT_EQ(peek_u16(b, 32), w.rules.shot_damage);
    EXPECT_EQ(f32(34), w.rules.plane_respawn_delay);
    EXPECT_EQ(f32(42), w.rules.crash_damage_factor);
    EXPECT_EQ(peek_u16(b, 46), w.rules.gather_amount);
    EXPECT_EQ(peek_u32(b, 54), w.rules.turret_cost);
    EXPECT_EQ(peek_u16(b, 58), w.rules.turret_health);
    EXPECT_EQ(peek_u16(b, 76), w.rules.shield_strength);
    EXPECT_EQ(f32(78), w.rules.shield_radius);
    EXPECT_EQ(peek_u32(b, 82), w.rules.radar_cost);
    EXPECT_EQ(peek_u32(b, 94), w.rules.upgrade_station_cost);
    EXPECT_EQ(peek_u16(b, 98), w.rules.station_health);
    EXPECT_EQ(peek_u32(b, 104), w.rules.exit_vessel_cost);
    EXPECT_EQ(peek_u32(b, 108), w.rules.win_amount);
    EXPECT_EQ(f32(116), w.rules.round_over_delay);
    EXPECT_EQ(f32(128), w.rules.sun_heat_range);
    EXPECT_EQ(b[132], 1);  // body count

    const Plane& p = w.planes[2];
    EXPECT_EQ(f32(SmallLayout::body + 8), SUN_RADIUS);
    EXPECT_EQ(b[SmallLayout::body + 21], 1);           // is_sun
    EXPECT_EQ(b[SmallLayout::mask], 1 << 2);           // slot 2 only
    EXPECT_EQ(f32(SmallLayout::plane), p.pos.x);
    EXPECT_EQ(b[SmallLayout::plane + 28], pack_input(plane_input(p)));
    EXPECT_EQ(b[SmallLayout::plane + 29], 2);          // slot
    EXPECT_EQ(b[SmallLayout::plane + 32], 0);          // alive
    EXPECT_EQ(f32(SmallLayout::plane + 33), 0.0f);
    EXPECT_EQ(peek_u32(b, SmallLayout::plane + 47), p.resources[2]);
    EXPECT_EQ(b[SmallLayout::plane + 61], 0x02);       // minimap only
    EXPECT_EQ(b[SmallLayout::plane + 67], p.hook_state + 1);
    EXPECT_EQ(f32(SmallLayout::plane + 93), p.rope_length);
    EXPECT_EQ(b[SmallLayout::object_count], 1);
    EXPECT_EQ(b[SmallLayout::object], OBJECT_COLLECTOR);
    EXPECT_EQ(f32(SmallLayout::object + 80), w.objects[0].mass);
    EXPECT_EQ(b[SmallLayout::object + 92], 4);         // point count
    EXPECT_EQ(b[SmallLayout::shot_count], 1);
    EXPECT_EQ(b[SmallLayout::shot + 20], w.shots[0].owner);
    EXPECT_EQ(peek_u16(b, SmallLayout::shot + 21), w.shots[0].damage);
}

TEST(SnapshotChecks, BadValuesDropTheSnapshot) {
    using L = SmallLayout;
    struct Case {
        const char* name;
        void (*edit)(Bytes&);
        bool accepted;
    };
#define NAN_AT(at) [](Bytes& b) { poke_u32(b, at, 0x7FC00000u); }
#define INF_AT(at) [](Bytes& b) { poke_u32(b, at, 0xFF800000u); }
    const std::vector<Case> cases = {
        {"unchanged", [](Bytes&) {}, true},
        {"world width 0", [](Bytes& b) { poke_f32(b, 12, 0.0f); }, false},
        {"world height negative", [](Bytes& b) { poke_f32(b, 16, -1.0f); }, false},
        {"world width NaN", NAN_AT(12), false},
        {"winner 8", [](Bytes& b) { poke_u8(b, 24, 8); }, false},
        {"winner 7", [](Bytes& b) { poke_u8(b, 24, 7); }, true},
        {"winner 255", [](Bytes& b) { poke_u8(b, 24, 255); }, true},
        {"winner vessel unchecked", [](Bytes& b) { poke_u8(b, 25, 200); }, true},
        {"round-over timer infinite", INF_AT(26), false},
        {"respawn delay NaN", NAN_AT(34), false},
        {"sun heat range NaN", NAN_AT(128), false},
        {"cost unchecked", [](Bytes& b) { poke_u32(b, 54, 0xFFFFFFFFu); }, true},
        {"5 bodies", [](Bytes& b) { poke_u8(b, 132, 5); }, false},
        {"body position NaN", NAN_AT(L::body + 4), false},
        {"body radius 0", [](Bytes& b) { poke_f32(b, L::body + 8, 0.0f); }, false},
        {"body radius -0", [](Bytes& b) { poke_f32(b, L::body + 8, -0.0f); }, false},
        {"body gravity infinite", INF_AT(L::body + 12), false},
        {"body look unchecked", [](Bytes& b) { poke_u8(b, L::body + 16, 200); }, true},
        {"body phase NaN", NAN_AT(L::body + 17), false},
        {"body is_sun 2", [](Bytes& b) { poke_u8(b, L::body + 21, 2); }, false},
        {"body resource 3", [](Bytes& b) { poke_u8(b, L::body + 22, 3); }, false},
        {"body resource 2", [](Bytes& b) { poke_u8(b, L::body + 22, 2); }, true},
        {"plane position NaN", NAN_AT(L::plane), false},
        {"plane velocity infinite", INF_AT(L::plane + 12), false},
        {"plane fire cooldown NaN", NAN_AT(L::plane + 24), false},
        {"plane slot unchecked", [](Bytes& b) { poke_u8(b, L::plane + 29, 200); }, true},
        {"plane alive with NaN timer", NAN_AT(L::plane + 33), false},
        {"plane dead flag loose", [](Bytes& b) { poke_u8(b, L::plane + 32, 7); }, true},
        {"plane killer unchecked", [](Bytes& b) { poke_u8(b, L::plane + 37, 0x80); }, true},
        {"plane heat NaN", NAN_AT(L::plane + 57), false},
        {"plane boarding timer NaN", NAN_AT(L::plane + 63), false},
        {"plane hook byte 5", [](Bytes& b) { poke_u8(b, L::plane + 67, 5); }, false},
        {"plane hook byte 4", [](Bytes& b) { poke_u8(b, L::plane + 67, 4); }, true},
        {"plane hook position NaN", NAN_AT(L::plane + 68), false},
        {"plane hook anchor NaN", NAN_AT(L::plane + 89), false},
        {"plane rope NaN", NAN_AT(L::plane + 93), false},
        {"65 objects", [](Bytes& b) { poke_u8(b, L::object_count, 65); }, false},
        {"object kind 5", [](Bytes& b) { poke_u8(b, L::object, 5); }, false},
        {"object kind 0", [](Bytes& b) { poke_u8(b, L::object, 0); }, true},
        {"object owner unchecked", [](Bytes& b) { poke_u8(b, L::object + 9, 9); }, true},
        {"object station unchecked", [](Bytes& b) { poke_u8(b, L::object + 15, 99); }, true},
        {"object not destroyed with NaN timer", NAN_AT(L::object + 27), false},
        {"object mass 0", [](Bytes& b) { poke_f32(b, L::object + 80, 0.0f); }, false},
        {"object mass negative", [](Bytes& b) { poke_f32(b, L::object + 80, -3.0f); }, false},
        {"object inertia 0", [](Bytes& b) { poke_f32(b, L::object + 84, 0.0f); }, false},
        {"object area 0", [](Bytes& b) { poke_f32(b, L::object + 88, 0.0f); }, true},
        {"object area NaN", NAN_AT(L::object + 88), false},
        {"object of 2 points", [](Bytes& b) { poke_u8(b, L::object + 92, 2); }, false},
        {"object of 9 points", [](Bytes& b) { poke_u8(b, L::object + 92, 9); }, false},
        {"object point NaN", NAN_AT(L::object + 93 + 3 * 8 + 4), false},
        {"65 shots", [](Bytes& b) { poke_u8(b, L::shot_count, 65); }, false},
        {"shot age infinite", INF_AT(L::shot + 16), false},
        {"shot owner 8", [](Bytes& b) { poke_u8(b, L::shot + 20, 8); }, false},
        {"shot owner 7", [](Bytes& b) { poke_u8(b, L::shot + 20, 7); }, true},
        {"trailing bytes", [](Bytes& b) { b.insert(b.end(), {1, 2, 3}); }, true},
    };
#undef NAN_AT
#undef INF_AT
    const Bytes good = encode(net_test::small_world());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes b = good;
        c.edit(b);
        EXPECT_EQ(decode(b).accepted, c.accepted);
    }
}

TEST(SnapshotChecks, EveryCutShortSnapshotIsDropped) {
    const Bytes good = encode(net_test::small_world());
    World scratch{};
    for (size_t len = HEADER_SIZE; len < good.size(); ++len) {
        SnapshotInfo info;
        WireReader r = make_reader(good.data(), len, HEADER_SIZE);
        ASSERT_EQ(decode_snapshot(r, OPEN_GATE, scratch, info), WireError::Truncated) << len;
    }
}

// Only a newer tick is taken, ticks read as serial numbers (newer when the
// 32-bit difference is positive as a signed number), and only an
// acknowledgement of an input the client has already numbered.
TEST(SnapshotChecks, TickAndAcknowledgementGate) {
    struct Case {
        const char* name;
        uint32_t tick;
        uint32_t ack;
        SnapshotGate gate;
        bool accepted;
    };
    const Case cases[] = {
        {"newer tick", 10, 0, {9, 1}, true},
        {"same tick", 10, 0, {10, 1}, false},
        {"older tick", 9, 0, {10, 1}, false},
        {"across the halfway point", 0x80000000u, 0, {0x7FFFFFFFu, 1}, true},
        {"across the wrap", 2, 0, {0xFFFFFFFEu, 1}, true},
        {"behind across the wrap", 0xFFFFFFFEu, 0, {2, 1}, false},
        {"far half of the range is old", 0xFFFFFFFFu, 0, {1000, 1}, false},
        {"half the range ahead is old", 0x80000000u, 0, {0, 1}, false},
        {"just under half ahead", 0x7FFFFFFFu, 0, {0, 1}, true},
        {"tick 0 never newer than 0", 0, 0, {0, 1}, false},
        {"the first snapshot at any tick", 0xFFFFFFFFu, 0, {0, 1, true}, true},
        {"the first snapshot still checks its ack", 5, 1, {0, 1, true}, false},
        {"ack below next input", 10, 41, {0, 42}, true},
        {"ack equal to next input", 10, 42, {0, 42}, false},
        {"ack above next input", 10, 43, {0, 42}, false},
    };
    const World w{};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(decode(encode(w, c.tick, c.ack), c.gate).accepted, c.accepted);
    }
}

}  // namespace
