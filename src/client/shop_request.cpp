#include "client/shop_request.h"

#include "server/shop.h"

namespace {

void refuse(const PurchaseOutcome& out, std::string_view first, std::string_view second = {}) {
    notify(out.notifications, REFUSAL_COLOUR, {first, second});
}

}  // namespace

void request_purchase(const Buyer& buyer, uint8_t code, const PurchaseOutcome& out) {
    out.shop_open = false;
    out.shop_selection = 0;

    const ShopItemInfo* item = shop_item(code);
    if (!item || !buyer.joined || buyer.own_slot >= MAX_PLANES) return;
    const Plane& plane = buyer.world.planes[buyer.own_slot];
    if (!plane.in_use) return;
    if (plane.dead) {
        refuse(out, "Can't buy while destroyed");
        return;
    }

    const Rules& rules = buyer.world.rules;
    if (item->one_of_a_kind) {
        if (owns_item(plane, code)) {
            refuse(out, "You already have the ", item->message_name);
            return;
        }
        if (code == ITEM_MINIMAP && !plane.has_radar) {
            refuse(out, "The minimap needs the radar first");
            return;
        }
        if (!affordable(plane, rules, code)) {
            refuse(out, "Not enough resources for the ", item->message_name);
            return;
        }
    } else if (!affordable(plane, rules, code)) {
        refuse(out, "Not enough resources for a ", item->message_name);
        return;
    }
    out.pending_buy = code;
}
