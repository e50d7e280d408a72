#include "server/shop.h"

#include "world/purchases.h"

namespace {

const ShopItemInfo ITEMS[SHOP_ITEM_COUNT] = {
    {"Turret", "turret", false},
    {"Shield", "shield", false},
    {"Radar", "radar", true},
    {"Minimap", "minimap", true},
    {"Sun shield", "sun shield", true},
    {"Upgrade station", "upgrade station", false},
    {"Exit vessel", "exit vessel", false},
};

}  // namespace

const ShopItemInfo* shop_item(uint8_t code) {
    if (code < ITEM_TURRET || code > ITEM_EXIT_VESSEL) return nullptr;
    return &ITEMS[code - 1];
}

uint32_t item_cost(const Rules& rules, uint8_t code) {
    switch (code) {
    case ITEM_TURRET: return rules.turret_cost;
    case ITEM_SHIELD: return rules.shield_cost;
    case ITEM_RADAR: return rules.radar_cost;
    case ITEM_MINIMAP: return rules.minimap_cost;
    case ITEM_SUN_SHIELD: return rules.sun_shield_cost;
    case ITEM_UPGRADE_STATION: return rules.upgrade_station_cost;
    case ITEM_EXIT_VESSEL: return rules.exit_vessel_cost;
    default: return 0;
    }
}

bool affordable(const Plane& plane, const Rules& rules, uint8_t code) {
    if (!shop_item(code)) return false;
    uint32_t cost = item_cost(rules, code);
    switch (code) {
    case ITEM_UPGRADE_STATION:
        return plane.resources[0] >= cost && plane.resources[1] >= cost && plane.resources[2] >= cost;
    case ITEM_EXIT_VESSEL:
        return plane.sun_resource >= cost;
    default:
        return resource_sum(plane) >= cost;
    }
}

bool owns_item(const Plane& plane, uint8_t code) {
    switch (code) {
    case ITEM_RADAR: return plane.has_radar;
    case ITEM_MINIMAP: return plane.has_minimap;
    case ITEM_SUN_SHIELD: return plane.has_sun_shield;
    default: return false;
    }
}

ShopRowState shop_row_state(const Plane* buyer, const Rules& rules, uint8_t code) {
    if (!buyer) return ShopRowState::Cost;
    if (owns_item(*buyer, code)) return ShopRowState::Owned;
    if (code == ITEM_MINIMAP && !buyer->has_radar) return ShopRowState::NeedsRadar;
    return affordable(*buyer, rules, code) ? ShopRowState::CostInReach : ShopRowState::Cost;
}
