// What the shell hands the interface drawing: the shop's cells as the
// buyer's plane sees them.
#include <gtest/gtest.h>

#include <memory>

#include "app/render_frame.h"

namespace {

struct Cells {
    ShopCellView cells[SHOP_ITEMS];
    ShopPrice price(int k) const { return cells[k].price; }
};

TEST(RenderFrame, ShopCellsFollowTheBuyersPlane) {
    auto w = std::make_unique<World>();
    Plane& p = w->planes[2];
    p.in_use = true;
    p.has_radar = true;
    p.resources[0] = 25;
    p.resources[1] = 20;
    p.resources[2] = 19;  // sum 64, station needs 20 of each
    p.sun_resource = 50;
    Cells c;
    fill_shop_cells(c.cells, *w, 2);
    const ShopPrice expected[SHOP_ITEMS] = {ShopPrice::Affordable, ShopPrice::Affordable, ShopPrice::Owned,
                                                 ShopPrice::Affordable, ShopPrice::Affordable, ShopPrice::TooDear,
                                                 ShopPrice::Affordable};
    const uint32_t costs[SHOP_ITEMS] = {30, 15, 10, 30, 20, 20, 50};
    for (int k = 0; k < SHOP_ITEMS; ++k) {
        EXPECT_EQ(c.price(k), expected[k]) << k;
        EXPECT_EQ(c.cells[k].cost, costs[k]) << k;
    }

    p.has_radar = false;
    fill_shop_cells(c.cells, *w, 2);
    EXPECT_EQ(c.price(2), ShopPrice::Affordable);
    EXPECT_EQ(c.price(3), ShopPrice::NeedsRadar);

    // Destroyed, not joined, or an empty slot: every cost, out of reach.
    for (uint8_t slot : {uint8_t{2}, NONE, uint8_t{5}}) {
        p.dead = slot == 2;
        fill_shop_cells(c.cells, *w, slot);
        for (int k = 0; k < SHOP_ITEMS; ++k) EXPECT_EQ(c.price(k), ShopPrice::TooDear) << int(slot) << " " << k;
    }
}

}  // namespace
