#include "client/playing_keys.h"

#include "client/chat_input.h"
#include "client/session.h"
#include "client/shop_request.h"

Request leave_dialog_key(LeaveDialog& dialog, Key key) {
    if (key == KeyLeft || key == KeyRight) {
        dialog.selection = dialog.selection == LEAVE_STAY ? LEAVE_LEAVE : LEAVE_STAY;
        return {};
    }
    if (is_enter(key)) {
        const bool leave = dialog.selection == LEAVE_LEAVE;
        dialog = LeaveDialog{};
        return leave ? Request{Ask::LeaveSession} : Request{};
    }
    if (key == KeyEscape) dialog = LeaveDialog{};
    return {};
}

void buy_item(Interface& ui, Session& s, uint8_t code) {
    const ClientSession& c = s.client;
    const Buyer buyer{c.world, c.state == ConnectionState::Joined, c.own_slot};
    request_purchase(buyer, code, {s.pending_buy, s.notifications, ui.shop.open, ui.shop.selected});
}

void shop_key(Interface& ui, Session& s, Key key) {
    if (const uint8_t digit = digit_of(key)) {
        buy_item(ui, s, digit);
        return;
    }
    uint8_t& i = ui.shop.selected;
    switch (key) {
    case KeyLeft:
        if (i % SHOP_ROW != 0) --i;
        break;
    case KeyRight:
        if (i + 1 < SHOP_ITEMS && i % SHOP_ROW != SHOP_ROW - 1) ++i;
        break;
    case KeyUp:
        if (i >= SHOP_ROW) i -= SHOP_ROW;
        break;
    case KeyDown:
        if (i + SHOP_ROW < SHOP_ITEMS) i += SHOP_ROW;
        break;
    case KeyEscape: ui.shop = ShopOverlay{}; break;
    case KeyEnter:
    case KeyPadEnter: buy_item(ui, s, static_cast<uint8_t>(i + 1)); break;
    default: break;
    }
}

void playing_key(Interface& ui, Session& s, Key key) {
    switch (key) {
    case KeyTab: ui.minimap_shown = !ui.minimap_shown; break;
    case KeyChat:
        if (!ui.shop.open) start_chat(s.chat);
        break;
    case KeyEnter:
    case KeyPadEnter:
        if (!ui.shop.open) ui.shop = ShopOverlay{true, 0};
        break;
    case KeyEscape:
        if (!ui.shop.open) ui.leave_dialog = LeaveDialog{true, LEAVE_STAY};
        break;
    default: break;  // the digits buy only in the open shop
    }
}
