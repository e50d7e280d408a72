#pragma once
// What the interface drawing reads in one frame: the screen and its
// selection, the overlays, the settings' values, the server rows, and the
// game shown on the playing screen. The shell fills it from its application
// record every frame; tools and tests build one by hand.
#include <cstdint>
#include <string_view>

#include "client/chat.h"
#include "client/hud_values.h"
#include "client/interface.h"
#include "client/notifications.h"
#include "client/server_list.h"
#include "client/server_rows.h"
#include "render/layout.h"
#include "world/world.h"

// One server row as the list shows it. The status was loaded once (with
// acquire ordering) before the result was copied.
struct ServerRowView {
    std::string_view name;         // the address as typed or listed
    std::string_view listed_name;  // what a registry called it; may be empty
    ServerStatus status = ServerStatus::NotQueried;
    StatusResult result;
};

// The name a server row shows: the server's own, else the registry's, else
// its address.
std::string_view shown_server_name(const ServerRowView& row);

// What a shop cell shows under the item's name.
enum class ShopPrice : uint8_t {
    Affordable,  // the cost, in the text colour
    TooDear,     // the cost, in the warning colour
    Owned,       // "Owned"
    NeedsRadar,  // "Needs radar"
};

struct ShopCellView {
    uint32_t cost = 0;
    ShopPrice price = ShopPrice::TooDear;
};

constexpr int MAX_SERVER_ROWS = MAX_SERVERS;

struct InterfaceView {
    float display_scale = 1;  // the window's; 0 or negative lays out at 1
    float time = 0;           // the animation clock, seconds

    Screen screen = Screen::MainMenu;
    uint64_t menu_selection = 0;
    ShopOverlay shop;
    LeaveDialog leave_dialog;

    // Settings, as the settings screen shows them.
    uint8_t volume = 100;
    int resolution_width = 1280;
    int resolution_height = 720;
    bool borderless_fullscreen = false;
    BotSkill bot_skill = BotSkill::Normal;
    bool minimap_shown = true;

    // The server list in its order, and which of its entries are fixed,
    // added or listed by a registry.
    ServerRowView servers[MAX_SERVER_ROWS];
    int server_count = 0;
    ServerScreenShape server_shape;
    const ChatInput* address_input = nullptr;  // the "Add server" line; null when closed
    // Said beside the "Internet" heading while no registry lists a server.
    std::string_view internet_note;

    // The game: null outside a session. The local slot is NONE until joined.
    const World* world = nullptr;
    uint8_t local_slot = NONE;
    uint8_t bot_mask = 0;  // bit i: slot i is a computer player ("Bot N")
    const HudValues* hud = nullptr;
    bool tutorial = false;
    uint8_t tutorial_step = 0;
    ShopCellView shop_cells[SHOP_ITEMS];

    // Shown on every screen; null for none.
    const NotificationList* notifications = nullptr;
    const ChatInput* chat = nullptr;
};
