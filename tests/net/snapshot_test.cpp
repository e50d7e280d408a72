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
    r.accepted = decode_client_message(b.data(), b.size(), PROTOCOL_VERSION, gate, *r.scratch, r.message);
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
    got.accepted = decode_client_message(b.data(), b.size(), PROTOCOL_VERSION, OPEN_GATE, *got.scratch, got.message);
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

// The expected datagram, written field by field in the order and widths of
// the layout tables, little-endian, independently of the encoder.
struct Golden {
    Bytes b;
    Golden& u8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Golden& u16(uint16_t v) { return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8)); }
    Golden& u32(uint32_t v) { return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16)); }
    Golden& f32(float v) { return u32(std::bit_cast<uint32_t>(v)); }
    Golden& vec(float x, float y) { return f32(x).f32(y); }
};

// One record of each kind, every field holding a value of its own, against the
// whole datagram as the layout tables lay it out.
TEST(SnapshotLayout, EveryFieldOfAFullSnapshot) {
    World w{};
    w.spawn_counter = 0x11223344;
    w.winner = 6;
    w.winner_vessel = 0;
    w.round_over_timer = 12.5f;
    Rules& r = w.rules;
    r.plane_health = 151, r.shot_damage = 11, r.plane_respawn_delay = 4.5f, r.crash_speed = 152.25f;
    r.crash_damage_factor = 0.75f, r.gather_amount = 3, r.collector_health = 52, r.object_respawn_delay = 9.5f;
    r.turret_cost = 31, r.turret_health = 53, r.turret_range = 551.5f, r.turret_turn_rate = 2.75f;
    r.turret_reload = 0.375f, r.shield_cost = 16, r.shield_strength = 54, r.shield_radius = 31.5f;
    r.radar_cost = 12, r.minimap_cost = 33, r.sun_shield_cost = 21, r.upgrade_station_cost = 22;
    r.station_health = 101, r.upgrade_time = 14.5f, r.exit_vessel_cost = 51, r.win_amount = 17;
    r.boarding_time = 5.25f, r.round_over_delay = 29.5f, r.sun_heat_rate = 19.5f, r.sun_heat_falloff = 44.5f;
    r.sun_heat_range = 221.5f;
    w.body_count = 1;
    w.bodies[0] = {{7200.5f, 2700.25f}, 381.5f, 110.5f, 3.75f, 7, true, 2};
    Plane& p = w.planes[5];
    p.in_use = true;
    p.pos = {1000.5f, 2000.25f}, p.vel = {-30.5f, 40.75f}, p.angle = 1.125f, p.flame = 0.625f;
    p.fire_cooldown = 0.0625f;
    p.turn_left = true, p.thrust = true, p.hook_key = true, p.buy_item = 6;  // input bits 0xD5
    p.slot = 5, p.health = 149, p.dead = true, p.respawn_timer = 3.5f, p.killer = 0xFD;
    p.hook_key_was_down = true, p.resources[0] = 1001, p.resources[1] = 2002, p.resources[2] = 3003;
    p.sun_resource = 404, p.shield = 48, p.heat = 0.4375f;
    p.has_radar = true, p.has_sun_shield = true;  // equipment bits 0x05
    p.boarding_vessel = 9, p.boarding_timer = 1.75f;
    p.hook_out = true, p.hook_state = HOOK_TETHERED, p.hook_pos = {1100.5f, 2100.25f};
    p.hook_vel = {-50.5f, 60.25f}, p.hook_object = 17, p.hook_anchor = {7.5f, -8.25f}, p.rope_length = 120.5f;
    w.object_count = 1;
    WorldObject& o = w.objects[0];
    o.kind = OBJECT_STATION, o.hull_offset = {115.5f, -0.75f}, o.owner = 5, o.gather_timer = 0.875f;
    o.upgraded = true, o.upgrading_station = 4, o.upgrade_timer = 2.125f, o.upgrade_radius = 33.5f;
    o.health = 99, o.destroyed = true, o.respawn_timer = 6.5f, o.home_pos = {3000.5f, 3100.25f};
    o.home_angle = 0.3125f, o.free = false, o.turret_aim = 4.25f, o.turret_cooldown = 0.15625f;
    o.heat = 0.53125f, o.pos = {3010.5f, 3110.25f}, o.vel = {1.5f, -2.5f}, o.angle = 2.625f;
    o.spin = -0.1875f, o.mass = 2.75f, o.inertia = 3062.5f, o.area = 1234.5f, o.point_count = 3;
    o.points[0] = {10.5f, 0.25f}, o.points[1] = {-5.5f, 9.75f}, o.points[2] = {-5.25f, -10.5f};
    w.shot_count = 1;
    w.shots[0] = {{500.5f, 600.25f}, {880.5f, -120.25f}, 0.40625f, 21, 3};

    Golden g;
    g.u8(0x53).u8(0x4B).u8(20).u8(5).u32(0x01020304).u32(0x0A0B0C0D);      // 0: header, tick, input
    g.vec(9600, 5400).u32(0x11223344).u8(6).u8(0).f32(12.5f);              // 12: size .. round over
    g.u16(151).u16(11).f32(4.5f).f32(152.25f).f32(0.75f).u16(3).u16(52);   // 30: rules
    g.f32(9.5f).u32(31).u16(53).f32(551.5f).f32(2.75f).f32(0.375f);        // 50
    g.u32(16).u16(54).f32(31.5f).u32(12).u32(33).u32(21).u32(22).u16(101);  // 72
    g.f32(14.5f).u32(51).u32(17).f32(5.25f).f32(29.5f).f32(19.5f);          // 100
    g.f32(44.5f).f32(221.5f).u8(1);                                         // 124: .. body count
    g.vec(7200.5f, 2700.25f).f32(381.5f).f32(110.5f).u8(7).f32(3.75f).u8(1).u8(2);  // 133: body
    g.u8(0x20);                                                             // 156: plane mask, slot 5
    g.vec(1000.5f, 2000.25f).vec(-30.5f, 40.75f).f32(1.125f).f32(0.625f);  // 157: plane
    g.f32(0.0625f).u8(0xD5).u8(5).u16(149).u8(1).f32(3.5f).u8(0xFD).u8(1);  // +24
    g.u32(1001).u32(2002).u32(3003).u32(404).u16(48).f32(0.4375f).u8(0x05);  // +39
    g.u8(9).f32(1.75f).u8(3).vec(1100.5f, 2100.25f).vec(-50.5f, 60.25f);    // +62: .. hook
    g.u8(17).vec(7.5f, -8.25f).f32(120.5f);                                 // +84
    g.u8(1);                                                                // 254: object count
    g.u8(3).vec(115.5f, -0.75f).u8(5).f32(0.875f).u8(1).u8(4).f32(2.125f);  // 255: object
    g.f32(33.5f).u16(99).u8(1).f32(6.5f).vec(3000.5f, 3100.25f).f32(0.3125f);  // +20
    g.u8(0).f32(4.25f).f32(0.15625f).f32(0.53125f).vec(3010.5f, 3110.25f);  // +43
    g.vec(1.5f, -2.5f).f32(2.625f).f32(-0.1875f).f32(2.75f).f32(3062.5f);   // +64
    g.f32(1234.5f).u8(3).vec(10.5f, 0.25f).vec(-5.5f, 9.75f).vec(-5.25f, -10.5f);  // +88: .. points
    g.u8(1);                                                                // 372: shot count
    g.vec(500.5f, 600.25f).vec(880.5f, -120.25f).f32(0.40625f).u8(3).u16(21);  // 373: shot
    ASSERT_EQ(g.b.size(), 396u);

    const Bytes sent = encode(w, 0x01020304, 0x0A0B0C0D);
    ASSERT_EQ(sent.size(), g.b.size());
    for (size_t i = 0; i < sent.size(); ++i) ASSERT_EQ(sent[i], g.b[i]) << "first difference at byte " << i;
    const Received got = decode(g.b, SnapshotGate{0, 0x0A0B0C0E});
    ASSERT_TRUE(got.accepted);
    EXPECT_TRUE(same_world(*got.scratch, as_received(w)));
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
