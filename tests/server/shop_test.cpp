#include "server/shop.h"

#include <gtest/gtest.h>

namespace {

TEST(Shop, ItemNamesByCode) {
    const char* display[] = {"Turret", "Shield", "Radar", "Minimap", "Sun shield", "Upgrade station", "Exit vessel"};
    const char* message[] = {"turret", "shield", "radar", "minimap", "sun shield", "upgrade station", "exit vessel"};
    for (uint8_t code = 1; code <= 7; ++code) {
        ASSERT_NE(shop_item(code), nullptr);
        EXPECT_STREQ(shop_item(code)->display_name, display[code - 1]);
        EXPECT_STREQ(shop_item(code)->message_name, message[code - 1]);
    }
    EXPECT_EQ(shop_item(0), nullptr);
    EXPECT_EQ(shop_item(8), nullptr);
}

TEST(Shop, CostsFollowTheRules) {
    Rules rules;
    const uint32_t expected[] = {30, 15, 10, 30, 20, 20, 50};
    for (uint8_t code = 1; code <= 7; ++code) EXPECT_EQ(item_cost(rules, code), expected[code - 1]);
    rules.turret_cost = 3;
    EXPECT_EQ(item_cost(rules, ITEM_TURRET), 3u);
}

TEST(Shop, AffordableEdges) {
    Rules rules;
    Plane p;
    p.resources[0] = 10;
    p.resources[1] = 10;
    p.resources[2] = 9;
    EXPECT_FALSE(affordable(p, rules, ITEM_TURRET));
    EXPECT_TRUE(affordable(p, rules, ITEM_SHIELD));
    p.resources[2] = 10;
    EXPECT_TRUE(affordable(p, rules, ITEM_TURRET));
    EXPECT_FALSE(affordable(p, rules, ITEM_UPGRADE_STATION));
    EXPECT_FALSE(affordable(p, rules, ITEM_EXIT_VESSEL));
    p.sun_resource = 50;
    EXPECT_TRUE(affordable(p, rules, ITEM_EXIT_VESSEL));
    EXPECT_FALSE(affordable(p, rules, 0));
    EXPECT_FALSE(affordable(p, rules, 9));
    // Piles near the top of their range do not wrap into a small sum.
    Plane rich;
    rich.resources[0] = rich.resources[1] = rich.resources[2] = 0x80000000u;
    EXPECT_TRUE(affordable(rich, rules, ITEM_TURRET));
}

TEST(Shop, RowStates) {
    Rules rules;
    Plane p;
    EXPECT_EQ(shop_row_state(nullptr, rules, ITEM_RADAR), ShopRowState::Cost);
    EXPECT_EQ(shop_row_state(&p, rules, ITEM_MINIMAP), ShopRowState::NeedsRadar);
    EXPECT_EQ(shop_row_state(&p, rules, ITEM_RADAR), ShopRowState::Cost);
    p.resources[1] = 10;
    EXPECT_EQ(shop_row_state(&p, rules, ITEM_RADAR), ShopRowState::CostInReach);
    p.has_radar = true;
    EXPECT_EQ(shop_row_state(&p, rules, ITEM_RADAR), ShopRowState::Owned);
    EXPECT_EQ(shop_row_state(&p, rules, ITEM_MINIMAP), ShopRowState::Cost);
}

}  // namespace
