#include "client/shop_request.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PlaneSetup {
    uint32_t r0 = 0, r1 = 0, r2 = 0, sun = 0;
    bool radar = false, minimap = false, sun_shield = false, dead = false;
};

struct Case {
    const char* name;
    PlaneSetup plane;
    uint8_t code;
    const char* refusal;  // null: accepted
};

// Every refusal of the shop, and the orders in which its checks run, under
// the initial rules (turret 30, shield 15, radar 10, minimap 30, sun shield
// 20, station 20 of each, vessel 50 sun resource).
const Case CASES[] = {
    {"destroyed player refused first", {.r0 = 99, .radar = true, .dead = true}, ITEM_RADAR, "Can't buy while destroyed"},
    {"owned radar reported before the cost", {.radar = true}, ITEM_RADAR, "You already have the radar"},
    {"owned minimap", {.r0 = 99, .radar = true, .minimap = true}, ITEM_MINIMAP, "You already have the minimap"},
    {"owned sun shield", {.r0 = 99, .sun_shield = true}, ITEM_SUN_SHIELD, "You already have the sun shield"},
    {"minimap needs radar before the cost", {}, ITEM_MINIMAP, "The minimap needs the radar first"},
    {"radar too dear", {.r0 = 9}, ITEM_RADAR, "Not enough resources for the radar"},
    {"minimap too dear", {.r0 = 29, .radar = true}, ITEM_MINIMAP, "Not enough resources for the minimap"},
    {"sun shield too dear", {.r1 = 19}, ITEM_SUN_SHIELD, "Not enough resources for the sun shield"},
    {"turret: sum 29 short", {.r0 = 10, .r1 = 10, .r2 = 9}, ITEM_TURRET, "Not enough resources for a turret"},
    {"turret: one pile pays", {.r0 = 30}, ITEM_TURRET, nullptr},
    {"shield from the sum", {.r0 = 5, .r1 = 5, .r2 = 5}, ITEM_SHIELD, nullptr},
    {"shield short", {.r2 = 14}, ITEM_SHIELD, "Not enough resources for a shield"},
    {"station needs each pile", {.r0 = 25, .r1 = 25, .r2 = 19}, ITEM_UPGRADE_STATION,
     "Not enough resources for a upgrade station"},
    {"station with 20 each", {.r0 = 20, .r1 = 20, .r2 = 20}, ITEM_UPGRADE_STATION, nullptr},
    {"vessel ignores planet piles", {.r0 = 99, .r1 = 99, .r2 = 99, .sun = 49}, ITEM_EXIT_VESSEL,
     "Not enough resources for a exit vessel"},
    {"vessel from sun resource", {.sun = 50}, ITEM_EXIT_VESSEL, nullptr},
    {"radar", {.r2 = 10}, ITEM_RADAR, nullptr},
    {"minimap with radar", {.r0 = 30, .radar = true}, ITEM_MINIMAP, nullptr},
};

struct Client {
    World world;
    uint8_t pending = 0;
    NotificationList notes;
    bool shop_open = true;
    uint8_t selection = 4;

    PurchaseOutcome outcome() { return {pending, notes, shop_open, selection}; }
};

TEST(RequestPurchase, RefusalsAndAcceptances) {
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.name);
        Client client;
        Plane& p = client.world.planes[3];
        p.in_use = true;
        p.slot = 3;
        p.resources[0] = c.plane.r0;
        p.resources[1] = c.plane.r1;
        p.resources[2] = c.plane.r2;
        p.sun_resource = c.plane.sun;
        p.has_radar = c.plane.radar;
        p.has_minimap = c.plane.minimap;
        p.has_sun_shield = c.plane.sun_shield;
        p.dead = c.plane.dead;

        request_purchase({client.world, true, 3}, c.code, client.outcome());

        EXPECT_FALSE(client.shop_open);
        EXPECT_EQ(client.selection, 0);
        if (c.refusal) {
            EXPECT_EQ(client.pending, 0);
            ASSERT_EQ(client.notes.count, 1);
            EXPECT_EQ(client.notes.items[0].view(), c.refusal);
            EXPECT_EQ(client.notes.items[0].colour.g, REFUSAL_COLOUR.g);
        } else {
            EXPECT_EQ(client.pending, c.code);
            EXPECT_EQ(client.notes.count, 0);
        }
    }
}

TEST(RequestPurchase, NotJoinedOrNoPlaneOnlyClosesTheShop) {
    Client client;
    client.world.planes[0].in_use = true;
    client.world.planes[0].resources[0] = 100;
    const Buyer not_joined{client.world, false, 0};
    const Buyer no_plane{client.world, true, 1};
    const Buyer bad_slot{client.world, true, 200};
    for (const Buyer* b : {&not_joined, &no_plane, &bad_slot}) {
        client.shop_open = true;
        request_purchase(*b, ITEM_SHIELD, client.outcome());
        EXPECT_FALSE(client.shop_open);
        EXPECT_EQ(client.pending, 0);
        EXPECT_EQ(client.notes.count, 0);
    }
    for (uint8_t bad_code : {uint8_t{0}, uint8_t{8}, uint8_t{255}}) {
        request_purchase({client.world, true, 0}, bad_code, client.outcome());
        EXPECT_EQ(client.pending, 0);
    }
}

TEST(RequestPurchase, LaterAcceptedRequestReplacesTheWaitingOne) {
    Client client;
    Plane& p = client.world.planes[0];
    p.in_use = true;
    p.resources[0] = 100;
    request_purchase({client.world, true, 0}, ITEM_SHIELD, client.outcome());
    request_purchase({client.world, true, 0}, ITEM_TURRET, client.outcome());
    EXPECT_EQ(client.pending, ITEM_TURRET);
    // A refused request leaves the waiting one alone.
    p.has_radar = true;
    request_purchase({client.world, true, 0}, ITEM_RADAR, client.outcome());
    EXPECT_EQ(client.pending, ITEM_TURRET);
}

}  // namespace
