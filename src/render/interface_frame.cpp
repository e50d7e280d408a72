#include "render/interface_frame.h"

#include "render/hud.h"
#include "render/letterbox.h"
#include "render/menus.h"
#include "render/minimap.h"
#include "render/renderer.h"
#include "render/shapes.h"
#include "render/shop.h"
#include "render/text.h"
#include "render/tutorial_panel.h"

namespace {

Range begin_group(const Renderer& r) { return {r.screen_list.count, 0}; }
void end_group(Renderer& r, int group, Range range) {
    range.count = r.screen_list.count - range.first;
    r.screen.groups[group] = range;
}

GlRect scissor_of(const Rect& rect, const UiLayout& l) {
    return scissor_rect(rect.x, rect.y, rect.w, rect.h, l.fb_width, l.fb_height);
}

Color own_color(const InterfaceView& v) { return is_slot(v.local_slot) ? player_color(v.local_slot) : OBJECT_COLOR; }

// While the shop or the leave dialog is open, the HUD's texts keep off it:
// all text is drawn after all shapes, so a text under an overlay's panel
// would otherwise show through it.
void cover_open_overlay(LabelList& labels, const UiLayout& l, const InterfaceView& v) {
    labels.covering = false;
    if (v.screen != Screen::Playing) return;
    if (v.leave_dialog.open) {
        labels.cover = leave_dialog_rect(l.box);
        labels.covering = true;
    } else if (v.shop.open) {
        labels.cover = shop_panel_rect(l.box);
        labels.covering = true;
    }
}

}  // namespace

void draw_interface(Renderer& r, const InterfaceView& v, int fb_width, int fb_height) {
    clear_screen_layer(r);
    begin_text_frame(r);
    r.labels.count = 0;
    const UiLayout l = ui_layout(static_cast<float>(fb_width), static_cast<float>(fb_height), v.display_scale);
    const bool playing = v.screen == Screen::Playing;

    // Group 1: bars, icons, the chat box and the menu rows.
    Range group = begin_group(r);
    cover_open_overlay(r.labels, l, v);
    if (playing) {
        draw_hud(r, l, v);
        if (v.tutorial && v.world) draw_tutorial_panel(r, l, v.tutorial_step);
    } else {
        draw_menu_screen(r, l, v);
    }
    draw_messages(r, l, v);
    r.labels.covering = false;
    end_group(r, 0, group);

    // Group 2: the minimap, under its own box.
    group = begin_group(r);
    if (minimap_visible(v.world, v.local_slot, playing, v.minimap_shown)) {
        const Rect box = minimap_rect(l, v.world->size);
        push_minimap(r.screen_list, *v.world, v.local_slot, box, l.u);
        r.screen.minimap_scissor = scissor_of(box, l);
    }
    end_group(r, 1, group);

    // Group 3: the shop window, under its panel.
    group = begin_group(r);
    if (playing && v.shop.open) {
        draw_shop(r, layout_at_scale(l, shop_scale(l.box)), v, own_color(v));
        r.screen.shop_scissor = scissor_of(shop_panel_rect(l.box), l);
    }
    end_group(r, 2, group);

    // Group 4: the leave dialog, over everything else.
    group = begin_group(r);
    if (playing && v.leave_dialog.open) {
        draw_leave_dialog(r, layout_at_scale(l, leave_dialog_scale(l.box)), v.tutorial, v.leave_dialog.selection);
    }
    end_group(r, 3, group);
}
