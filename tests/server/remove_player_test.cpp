// A leaving player's turrets and stations are freed between ticks, and the
// very next purchases take their entries.
#include <gtest/gtest.h>

#include <memory>

#include "net/messages.h"
#include "server/server_session.h"
#include "world/generate.h"
#include "world/test_worlds.h"
#include "world/validate.h"

namespace {

using namespace test_worlds;

struct SessionDeleter {
    void operator()(ServerSession* s) const { destroy_session(s); }
};

Endpoint address(int i) { return make_endpoint(10, 0, 0, static_cast<uint8_t>(i + 1), 5000); }

template <typename Encode>
void send(ServerSession& s, Endpoint from, Encode encode) {
    uint8_t buffer[MAX_DATAGRAM];
    WireWriter w(buffer);
    encode(w);
    receive(s, buffer, w.length, from);
}

// Plane 0 has hooked player 1's turret, and player 1's station holds plane
// 0's collector. Player 1 leaves; player 2 buys a turret and then a station
// far away, which take the two freed entries: the hook and the station link
// must have let go, so nothing is pulled across the field.
TEST(RemovePlayer, NothingStaysLinkedToTheEntriesTheNextPurchasesTake) {
    World start;
    generate_world(start);
    std::unique_ptr<ServerSession, SessionDeleter> session(create_session(start));
    ServerSession& s = *session;
    s.log_sink = [](LogLevel, std::string_view) {};
    for (int i = 0; i < 3; ++i) send(s, address(i), [](WireWriter& w) { encode_join_request(w); });
    World& w = s.world;
    ASSERT_TRUE(w.planes[2].in_use);

    w.object_count = 0;
    int turret = add_object(w, turret_at({900, 1000}, 1));
    int station = add_object(w, station_at({5000, 3000}, 0.5f, 1));
    int collector = add_object(w, make_collector({5000, 3000}, 0.0f, w.rules));
    WorldObject& c = w.objects[collector];
    c.owner = 0;
    c.upgrading_station = static_cast<uint8_t>(station);
    c.upgrade_timer = 2;
    c.upgrade_radius = 30;  // the collector sits at about 6 wu: the spring is slack
    Plane& p = w.planes[0];
    p.pos = {1000, 1000};
    p.angle = 0;
    p.hook_out = true;
    p.hook_state = HOOK_ATTACHED;
    p.hook_object = static_cast<uint8_t>(turret);
    p.hook_pos = w.objects[turret].pos;
    p.rope_length = 114;  // slack
    Plane& buyer = w.planes[2];
    buyer.pos = {7000, 1000};
    buyer.angle = 0;
    for (uint32_t& r : buyer.resources) r = 40;
    ASSERT_STREQ(validate_world(w), nullptr);

    send(s, address(1), [](WireWriter& out) { encode_leave(out); });
    ASSERT_TRUE(w.objects[turret].free);
    ASSERT_TRUE(w.objects[station].free);
    EXPECT_STREQ(validate_world(w), nullptr);

    const uint8_t buys[] = {ITEM_TURRET, ITEM_UPGRADE_STATION, ITEM_NONE, ITEM_NONE};
    for (uint32_t seq = 1; seq <= 4; ++seq) {
        uint8_t input = pack_input({false, false, false, false, false, buys[seq - 1]});
        send(s, address(2), [&](WireWriter& out) { encode_input_batch(out, seq, {&input, 1}); });
        server_tick(s);
        EXPECT_STREQ(validate_world(w), nullptr) << "tick " << seq;
    }
    EXPECT_EQ(w.objects[turret].kind, OBJECT_TURRET);
    EXPECT_EQ(w.objects[station].kind, OBJECT_STATION);
    EXPECT_EQ(w.objects[station].owner, 2) << "both entries were taken by the purchases";
    EXPECT_NE(p.hook_state, HOOK_ATTACHED);
    EXPECT_EQ(p.vel, (Vec2{0, 0}));
    EXPECT_EQ(c.upgrading_station, NONE);
    EXPECT_EQ(c.vel, (Vec2{0, 0}));
}

}  // namespace
