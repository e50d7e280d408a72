#include "client/clicks.h"

#include "client/menus.h"
#include "client/playing_keys.h"

namespace {

Request menu_click(Interface& ui, const ServerScreenShape& servers, const InterfaceBox& box, float px, float py) {
    const int count = menu_item_count(ui.screen, servers);
    const uint64_t selection = ui.menu_selection;
    for (int k = 0; k < count; ++k) {
        Rect rect;
        if (!menu_row_rect(box, ui.screen, count, selection, k, rect) || !hits(rect, px, py)) continue;
        if (ui.screen == Screen::ServerList && server_row(servers, k).kind == RowKind::Heading) return {};
        ui.menu_selection = static_cast<uint64_t>(k);
        // The items never overlap; the choice may change the screen, so
        // the first hit is the only one.
        return menu_key(ui, servers, KeyEnter);
    }
    return {};
}

Request leave_dialog_click(LeaveDialog& dialog, const InterfaceBox& box, float px, float py) {
    if (hits(leave_button_rect(box, LEAVE_STAY), px, py)) {
        dialog = LeaveDialog{};
    } else if (hits(leave_button_rect(box, LEAVE_LEAVE), px, py)) {
        dialog = LeaveDialog{};
        return {Ask::LeaveSession};
    }
    return {};
}

void shop_click(Interface& ui, Session& s, const InterfaceBox& box, float px, float py) {
    for (int k = 0; k < SHOP_ITEMS; ++k) {
        if (hits(shop_cell_rect(box, k), px, py)) {
            buy_item(ui, s, static_cast<uint8_t>(k + 1));
            return;
        }
    }
}

}  // namespace

bool menu_row_rect(const InterfaceBox& box, Screen screen, int count, uint64_t selection, int row, Rect& rect) {
    if (screen != Screen::ServerList) {
        rect = menu_item_rect(box, count, row);
        return true;
    }
    const ShownRows shown = shown_rows(count, selection);
    if (row < shown.first || row >= shown.first + shown.count) return false;
    rect = menu_item_rect(box, shown.count, row - shown.first);
    return true;
}

Request interface_click(Interface& ui, Session& s, const ServerScreenShape& servers, const InterfaceBox& box, float px,
                        float py) {
    if (ui.screen != Screen::Playing) return menu_click(ui, servers, box, px, py);
    if (ui.leave_dialog.open) return leave_dialog_click(ui.leave_dialog, box, px, py);
    if (ui.shop.open) shop_click(ui, s, box, px, py);
    return {};
}
