#pragma once
// The client's check before it asks to buy something. The server answers
// nothing: an accepted request rides in the next input byte, and the step
// checks it again on both sides.
#include <cstdint>

#include "client/notifications.h"
#include "world/world.h"

// Who is asking, as the client sees it.
struct Buyer {
    const World& world;  // the client's predicted copy
    bool joined;
    uint64_t own_slot;
};

// What the request may change: the waiting purchase (0 none, 1..7), the
// notifications, and the shop screen, which every request closes.
struct PurchaseOutcome {
    uint8_t& pending_buy;
    NotificationList& notifications;
    bool& shop_open;
    uint8_t& shop_selection;
};

// Closes the shop, then either sets pending_buy to the code or adds one
// refusal line. Does nothing else when not joined, when the own plane is not
// in use, or for a code outside 1..7.
void request_purchase(const Buyer& buyer, uint8_t code, const PurchaseOutcome& out);
