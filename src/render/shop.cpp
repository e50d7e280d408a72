#include "render/shop.h"

#include <cmath>

#include "base/fixed_text.h"
#include "render/labels.h"
#include "render/panels.h"
#include "render/renderer.h"
#include "render/ui_colors.h"

namespace {

constexpr int UPGRADE_STATION = 5;

void draw_price(Renderer& r, const UiLayout& l, const ShopCellView& cell, int k, float centre, float baseline) {
    FixedText<32> text;
    Color color = TEXT_COLOR;
    switch (cell.price) {
    case ShopPrice::Owned:
        text << "Owned";
        color = FOOTER_COLOR;
        break;
    case ShopPrice::NeedsRadar:
        text << "Needs radar";
        color = WARNING_COLOR;
        break;
    case ShopPrice::Affordable:
    case ShopPrice::TooDear:
        text << cell.cost;
        if (k == UPGRADE_STATION) text << " each";
        color = cell.price == ShopPrice::Affordable ? TEXT_COLOR : WARNING_COLOR;
        break;
    }
    draw_label_centred(r, text.view(), centre, baseline, {l.body_px, color, l.shadow});
}

void draw_cell(Renderer& r, const UiLayout& l, const InterfaceView& v, int k, Color owner) {
    const float u = l.u;
    const Rect cell = shop_cell_rect(l.box, k);
    const bool selected = v.shop.selected == k;
    push_frame(r.screen_list, cell, 0, selected ? u : 0.5f * u, selected ? HIGHLIGHT_COLOR : CELL_OUTLINE_COLOR);
    const float centre = cell.x + cell.w / 2;
    push_item_drawing(r.screen_list, k, {centre, cell.y + 56 * u}, u, owner);

    FixedText<8> key;
    key << '[' << k + 1 << ']';
    const float key_px = std::round(14 * u);
    draw_label(r, key.view(), cell.x + 8 * u, cell.y + 8 * u + key_px, {key_px, FOOTER_COLOR, l.shadow});
    draw_label_centred(r, SHOP_ITEM_NAMES[k], centre, cell.y + 108 * u,
                       {l.body_px, selected ? HIGHLIGHT_COLOR : TEXT_COLOR, l.shadow});
    draw_price(r, l, v.shop_cells[k], k, centre, cell.y + 135 * u);
}

}  // namespace

void draw_shop(Renderer& r, const UiLayout& l, const InterfaceView& v, Color owner) {
    const float u = l.u;
    const Rect panel = shop_panel_rect(l.box);
    push_scissored_fill(r.screen_list, panel, ROW_PANEL_COLOR);
    push_frame(r.screen_list, panel, 0.5f * u, 0.5f * u, FRAME_COLOR);
    const float centre = panel.x + panel.w / 2;
    draw_label_centred(r, "Shop", centre, panel.y + 30 * u, {std::round(20 * u), TEXT_COLOR, l.shadow});
    for (int k = 0; k < SHOP_ITEMS; ++k) draw_cell(r, l, v, k, owner);
    const Rect last = shop_cell_rect(l.box, SHOP_ITEMS - 1);
    draw_label_centred(r, "Enter to buy, Esc to close", centre, last.y + last.h + 26 * u,
                       {l.body_px, FOOTER_COLOR, l.shadow});
}
