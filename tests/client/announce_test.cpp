// What the player is told: lines from a tick's world events, and the frame's
// announcements of the connection, the players and the chat.
#include "client/announce.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "client/session.h"
#include "base/color.h"

namespace {

constexpr uint8_t OWN = 1;

std::vector<std::string> texts(const NotificationList& list) {
    std::vector<std::string> out;
    for (int i = 0; i < list.count; ++i) out.emplace_back(list.items[i].view());
    return out;
}

bool same_colour(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }
Color colour_of_slot(uint8_t slot) {
    const Color c = PLAYER_COLORS[slot];
    return {c.r, c.g, c.b, c.a};
}

class Announcements : public ::testing::Test {
protected:
    void SetUp() override {
        c.state = ConnectionState::Joined;
        c.own_slot = OWN;
        for (uint8_t i : {0, 1, 2}) {
            c.world.planes[i].in_use = true;
            c.world.planes[i].slot = i;
        }
    }
    void event(uint8_t kind, uint8_t a, uint8_t b = 0) { push_event_at(c.world, kind, {0, 0}, a, b); }

    ClientSession c;
    NotificationList list;
};

TEST_F(Announcements, OwnPurchasesWinsAndUpgradesInThreePasses) {
    event(EVENT_UPGRADED, OWN, OBJECT_TURRET);
    event(EVENT_ROUND_WON, 2);
    for (uint8_t item = 0; item <= 7; ++item) event(EVENT_PURCHASE, OWN, item);
    event(EVENT_PURCHASE, 0, ITEM_SHIELD);      // somebody else's
    event(EVENT_UPGRADED, 0, OBJECT_COLLECTOR); // somebody else's
    event(EVENT_UPGRADED, OWN, OBJECT_COLLECTOR);
    event(EVENT_ROUND_WON, OWN);
    notify_world_events(list, c);

    const std::vector<std::string> expected = {
        "Turret ready",
        "Shield up",
        "Radar on: arrows at the edges point to what's off screen",
        "Minimap on: Tab hides and shows it",
        "Sun shield up: the sun can't hurt you until you're destroyed",
        "Upgrade station ready: bring collectors into its sphere",
        "Exit vessel ready: stay in it with 15 of each resource to win",
        "Player 3 wins",
        "You win!",
        "A turret of yours was upgraded: twice the health, and it hits twice as hard",
        "A collector of yours was upgraded: it gathers twice as fast, and can orbit the sun",
    };
    // Eight lines at most: the three oldest purchases were pushed out.
    std::vector<std::string> tail(expected.begin() + 3, expected.end());
    EXPECT_EQ(texts(list), tail);

    NotificationList again;
    c.world.event_count = 0;
    event(EVENT_PURCHASE, OWN, ITEM_EXIT_VESSEL);
    event(EVENT_ROUND_WON, 2);
    event(EVENT_UPGRADED, OWN, OBJECT_COLLECTOR);
    c.world.rules.win_amount = 7;
    notify_world_events(again, c);
    ASSERT_EQ(again.count, 3);
    EXPECT_EQ(again.items[0].view(), "Exit vessel ready: stay in it with 7 of each resource to win");
    EXPECT_TRUE(same_colour(again.items[0].colour, GOLD_COLOUR));
    EXPECT_TRUE(same_colour(again.items[1].colour, colour_of_slot(2)));
    EXPECT_EQ(again.items[2].view(),
              "A collector of yours was upgraded: it gathers twice as fast, and can orbit the sun");
    EXPECT_TRUE(same_colour(again.items[2].colour, UPGRADE_COLOUR));
}

TEST_F(Announcements, DestroyedPlayersByKillCause) {
    struct Case {
        uint8_t victim, killer;
        const char* text;
        Color colour;
    };
    const Case cases[] = {
        {OWN, 2, "You were destroyed by player 3", colour_of_slot(2)},
        {2, OWN, "You destroyed player 3", colour_of_slot(OWN)},
        {2, 0, "Player 1 destroyed player 3", colour_of_slot(0)},
        {2, 6, "Player 7 destroyed player 3", INFO_COLOUR},  // the killer's plane is gone
        {OWN, KILL_SUN, "You burned up in the sun", INFO_COLOUR},
        {2, KILL_SUN, "Player 3 burned up in the sun", colour_of_slot(2)},
        {OWN, KILL_OBJECT, "You crashed into a resource collector", INFO_COLOUR},
        {0, KILL_OBJECT, "Player 1 crashed into a resource collector", colour_of_slot(0)},
        {OWN, KILL_PLANET, "You crashed into a planet", INFO_COLOUR},
        {2, KILL_PLANET, "Player 3 crashed into a planet", colour_of_slot(2)},
        {2, KILL_LEFT_BEHIND, nullptr, INFO_COLOUR},
        {2, 0x80, nullptr, INFO_COLOUR},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text ? k.text : "nothing");
        Session s;
        s.active = true;
        s.announced_state = ConnectionState::Joined;
        s.client = c;
        s.client.world.planes[k.victim].killer = k.killer;
        s.client.world.planes[k.victim].dead = true;
        s.client.destroyed_mask = static_cast<uint8_t>(1u << k.victim);
        announce(s);
        EXPECT_EQ(s.client.destroyed_mask, 0);
        if (!k.text) {
            EXPECT_EQ(s.notifications.count, 0);
            continue;
        }
        ASSERT_EQ(s.notifications.count, 1);
        EXPECT_EQ(s.notifications.items[0].view(), k.text);
        EXPECT_TRUE(same_colour(s.notifications.items[0].colour, k.colour));
    }
}

TEST_F(Announcements, PlayersJoinedAndLeftAndChatLines) {
    Session s;
    s.active = true;
    s.announced_state = ConnectionState::Joined;
    s.client = c;
    s.client.joined_mask = 1u << 2;
    s.client.left_mask = 1u << 5;
    s.client.destroyed_mask = 1u << 6;  // not in use: nothing to say
    s.client.received[0] = {{'h', 'i'}, 2, 0};
    s.client.received[1] = {{'o', 'k'}, 2, 255};
    s.client.received_count = 2;
    announce(s);
    EXPECT_EQ(texts(s.notifications),
              (std::vector<std::string>{"Player 3 joined", "Player 6 left", "Player 1: hi", "Server: ok"}));
    EXPECT_TRUE(same_colour(s.notifications.items[0].colour, colour_of_slot(2)));
    EXPECT_TRUE(same_colour(s.notifications.items[1].colour, INFO_COLOUR));
    EXPECT_TRUE(same_colour(s.notifications.items[2].colour, colour_of_slot(0)));
    EXPECT_EQ(s.notifications.items[2].hold, CHAT_HOLD);
    EXPECT_EQ(s.notifications.items[3].hold, CHAT_HOLD);
    EXPECT_EQ(s.client.received_count, 0);
    EXPECT_EQ(s.client.joined_mask | s.client.left_mask | s.client.destroyed_mask, 0);
}

TEST(ConnectionAnnouncements, OnlineStateChangesAreAnnouncedOnceAndNotInTheTutorial) {
    Session s;
    s.active = true;
    const char name[] = "example.org:7777";
    std::memcpy(s.server_text, name, sizeof name - 1);
    s.server_text_length = sizeof name - 1;

    announce(s);  // connecting, as announced at the start
    EXPECT_EQ(s.notifications.count, 0);
    s.client.state = ConnectionState::Full;
    announce(s);
    announce(s);
    s.client.state = ConnectionState::Joined;
    s.client.own_slot = 4;
    announce(s);
    s.client.state = ConnectionState::Connecting;
    announce(s);
    EXPECT_EQ(texts(s.notifications),
              (std::vector<std::string>{"example.org:7777 is full", "Joined example.org:7777 as player 5",
                                        "Lost connection to example.org:7777, reconnecting"}));

    Session t;
    t.active = true;
    t.tutorial = true;
    t.client.state = ConnectionState::Joined;
    announce(t);
    EXPECT_EQ(t.notifications.count, 0);
    EXPECT_EQ(t.announced_state, ConnectionState::Connecting);
}

}  // namespace
