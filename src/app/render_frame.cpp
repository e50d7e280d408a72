// The shell's entry into drawing: copies what the frame needs out of the App
// and draws it.
#include "app/render_frame.h"

#include <algorithm>
#include <atomic>

#include <SDL3/SDL_video.h>

#include "app/app.h"
#include "app/internet.h"
#include "render/interface_frame.h"
#include "render/renderer.h"
#include "server/shop.h"
#include "server/tutorial.h"

namespace {

ShopPrice shop_price(ShopRowState state) {
    switch (state) {
    case ShopRowState::CostInReach: return ShopPrice::Affordable;
    case ShopRowState::Owned: return ShopPrice::Owned;
    case ShopRowState::NeedsRadar: return ShopPrice::NeedsRadar;
    case ShopRowState::Cost: break;
    }
    return ShopPrice::TooDear;
}

// Each row's status is read once, with acquire, before its result: the status
// worker publishes the result by storing the status last.
void fill_server_rows(InterfaceView& v, const App& app) {
    const ServerList& list = app.servers;
    v.server_count = std::min(list.count, MAX_SERVER_ROWS);
    v.server_shape = server_screen_shape(app);
    v.internet_note = internet_note(app.internet);
    if (app.address_input.typing) v.address_input = &app.address_input;
    for (int i = 0; i < v.server_count; ++i) {
        const ServerEntry& e = server_at(list, i);
        ServerRowView& row = v.servers[i];
        row.name = e.name();
        row.listed_name = e.listed_name_view();
        row.status = e.status.load(std::memory_order_acquire);
        row.result = row.status == ServerStatus::Answered ? e.result : StatusResult{};
    }
}

// The slot whose plane is the player's own, NONE until joined.
uint8_t local_slot(const Session& s) {
    const bool joined = s.client.state == ConnectionState::Joined;
    return joined && s.client.own_slot < MAX_PLANES ? static_cast<uint8_t>(s.client.own_slot) : NONE;
}

void fill_game(InterfaceView& v, const Session& s) {
    v.world = &s.client.world;
    v.local_slot = local_slot(s);
    v.bot_mask = s.client.bot_mask;
    v.hud = &s.hud;
    v.tutorial = s.tutorial;
    v.tutorial_step = s.tutorial && s.link.session ? tutorial_step(*s.link.session) : 0;
    fill_shop_cells(v.shop_cells, s.client.world, v.local_slot);
}

}  // namespace

void fill_shop_cells(ShopCellView cells[SHOP_ITEMS], const World& w, uint8_t buyer_slot) {
    const Plane* buyer = nullptr;
    if (is_slot(buyer_slot) && w.planes[buyer_slot].in_use && !w.planes[buyer_slot].dead) {
        buyer = &w.planes[buyer_slot];
    }
    for (int k = 0; k < SHOP_ITEMS; ++k) {
        const auto code = static_cast<uint8_t>(k + 1);
        cells[k] = {item_cost(w.rules, code), shop_price(shop_row_state(buyer, w.rules, code))};
    }
}

void fill_interface_view(InterfaceView& v, const App& app, float display_scale) {
    v = InterfaceView{};
    v.display_scale = display_scale;
    v.time = app.render_clock;
    v.screen = app.screen;
    v.menu_selection = app.menu_selection;
    v.shop = app.shop;
    v.leave_dialog = app.leave_dialog;
    v.volume = app.volume;
    const Resolution& resolution = RESOLUTIONS[app.resolution_index < RESOLUTION_COUNT ? app.resolution_index : 0];
    v.resolution_width = resolution.width;
    v.resolution_height = resolution.height;
    v.borderless_fullscreen = app.borderless_fullscreen;
    v.bot_skill = app.bot_skill;
    v.minimap_shown = app.minimap_shown;
    fill_server_rows(v, app);
    if (app.session.active) fill_game(v, app.session);
    v.notifications = &app.session.notifications;
    v.chat = &app.session.chat;
}

void render_frame(App& app) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSizeInPixels(app.window, &width, &height);
    // In a session the client's predicted world is drawn with its display
    // offsets; menu screens show the empty starry world under the drifting camera.
    const Session& s = app.session;
    const GameView game{&s.client.world, s.client.smoothing, local_slot(s), s.hud.hit_flash};
    const bool playing = s.active && app.screen == Screen::Playing;
    fill_render_copy(app.renderer.copy, playing ? &game : nullptr, app.camera_centre, app.render_clock, app.effects);

    InterfaceView view;
    fill_interface_view(view, app, SDL_GetWindowDisplayScale(app.window));
    draw_interface(app.renderer, view, width, height);
    draw_frame(app.renderer, width, height);
}
