#pragma once
// The shop's items and the rule that says whether a plane can pay for one.
// The step carries a purchase out (and checks the same rule again); the
// client checks it before asking, and the shop screen shows it.
#include <cstdint>

#include "world/world.h"

struct ShopItemInfo {
    const char* display_name;  // shown in the shop: "Upgrade station"
    const char* message_name;  // inside refusals: "upgrade station"
    bool one_of_a_kind;        // radar, minimap, sun shield
};

// The item of a buy code 1..7, or null for any other code.
const ShopItemInfo* shop_item(uint8_t code);

// What the item costs under the rules: resource units of any kind (turret,
// shield, radar, minimap, sun shield), of each kind (upgrade station), or
// sun resource (exit vessel). 0 for an unknown code.
uint32_t item_cost(const Rules& rules, uint8_t code);

// Whether the plane's resources meet the item's cost rule. False for an
// unknown code.
bool affordable(const Plane& plane, const Rules& rules, uint8_t code);

// Whether the plane already owns a one-of-a-kind item (always false for the
// repeatable ones).
bool owns_item(const Plane& plane, uint8_t code);

// What the shop shows in an item's row.
enum class ShopRowState : uint8_t {
    Cost,        // the cost, in the dimmed colour
    CostInReach, // the cost, in the highlight colour
    Owned,       // "Owned"
    NeedsRadar,  // "Needs radar"
};

// The row state for the buyer's plane; null (not joined, no plane, or dead)
// shows every cost dimmed.
ShopRowState shop_row_state(const Plane* buyer, const Rules& rules, uint8_t code);
