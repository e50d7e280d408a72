#include "client/menus.h"

#include <algorithm>

#include "client/chat_input.h"
#include "client/server_list.h"

namespace {

void show(Interface& ui, Screen screen, uint64_t selection) {
    ui.screen = screen;
    ui.menu_selection = selection;
}

Request choose_main_menu_item(Interface& ui) {
    switch (ui.menu_selection) {
    case MenuConnect:
        show(ui, Screen::ServerList, 0);
        ui.status_recheck_timer = 0.0f;  // the servers are asked again in the next frame
        return {};
    case MenuTutorial: return {Ask::StartTutorial};
    case MenuPractice: return {Ask::StartPractice};
    case MenuSettings: show(ui, Screen::Settings, 0); return {};
    case MenuExit: return {Ask::Quit};
    default: return {};
    }
}

Request server_list_key(Interface& ui, const ServerScreenShape& shape, Key key) {
    if (key == KeyEscape) {
        show(ui, Screen::MainMenu, MenuConnect);
        return {};
    }
    const ServerRow row = server_row(shape, static_cast<int>(ui.menu_selection));
    if (key == KeyDelete) {
        const bool added = row.kind == RowKind::Server && row.server >= shape.list.fixed &&
                           row.server < shape.list.fixed + shape.list.added;
        return added ? Request{Ask::RemoveServer, row.server} : Request{};
    }
    if (!is_enter(key)) return {};
    switch (row.kind) {
    case RowKind::Server: return {Ask::StartOnline, row.server};
    case RowKind::AddServer: start_chat(ui.address_input); return {};
    case RowKind::Back: show(ui, Screen::MainMenu, MenuConnect); return {};
    case RowKind::Heading: return {};
    }
    return {};
}

// Up and Down on the servers screen step over the heading.
void move_server_selection(Interface& ui, const ServerScreenShape& shape, int items, Key key) {
    const int step = key == KeyUp ? items - 1 : 1;
    do {
        ui.menu_selection = (ui.menu_selection + static_cast<uint64_t>(step)) % static_cast<uint64_t>(items);
    } while (server_row(shape, static_cast<int>(ui.menu_selection)).kind == RowKind::Heading);
}

// Left steps down, Right and Enter step up.
Request change_setting(Interface& ui, bool down) {
    switch (ui.menu_selection) {
    case SettingsVolume:
        ui.volume = down ? static_cast<uint8_t>(std::max(ui.volume - VOLUME_STEP, 0))
                         : static_cast<uint8_t>(std::min(ui.volume + VOLUME_STEP, static_cast<int>(VOLUME_MAX)));
        return {Ask::ApplyVolume};
    case SettingsResolution:
        ui.resolution_index =
            static_cast<uint8_t>((ui.resolution_index + (down ? RESOLUTION_COUNT - 1 : 1)) % RESOLUTION_COUNT);
        ui.display_settings_changed = true;
        return {};
    case SettingsDisplay:
        ui.borderless_fullscreen = !ui.borderless_fullscreen;
        ui.display_settings_changed = true;
        return {};
    case SettingsBots: {
        // Easy, normal, hard, wrapping around like the resolution.
        const int skill = static_cast<int>(ui.bot_skill) + (down ? BOT_SKILLS - 1 : 1);
        ui.bot_skill = static_cast<BotSkill>(skill % BOT_SKILLS);
        return {};
    }
    default: return {};
    }
}

Request settings_key(Interface& ui, Key key) {
    const bool back = key == KeyEscape || (is_enter(key) && ui.menu_selection == SettingsBack);
    if (back) {
        show(ui, Screen::MainMenu, MenuSettings);
        return {};
    }
    if (key == KeyLeft) return change_setting(ui, true);
    if (key == KeyRight || is_enter(key)) return change_setting(ui, false);
    return {};
}

}  // namespace

int menu_item_count(Screen screen, const ServerScreenShape& servers) {
    switch (screen) {
    case Screen::MainMenu: return MAIN_MENU_ITEMS;
    case Screen::ServerList: return server_row_count(servers);
    case Screen::Settings: return SETTINGS_ITEMS;
    default: return 0;
    }
}

Request menu_key(Interface& ui, const ServerScreenShape& servers, Key key) {
    const int items = menu_item_count(ui.screen, servers);
    if (items == 0) return {};
    // A selection left over from a longer list (or set from outside) is
    // treated as the last item.
    ui.menu_selection = std::min<uint64_t>(ui.menu_selection, static_cast<uint64_t>(items - 1));
    if (ui.screen == Screen::ServerList && (key == KeyUp || key == KeyDown)) {
        move_server_selection(ui, servers, items, key);
        return {};
    }
    if (key == KeyUp) {
        ui.menu_selection = (ui.menu_selection + items - 1) % items;
        return {};
    }
    if (key == KeyDown) {
        ui.menu_selection = (ui.menu_selection + 1) % items;
        return {};
    }
    switch (ui.screen) {
    case Screen::MainMenu: return is_enter(key) ? choose_main_menu_item(ui) : Request{};
    case Screen::ServerList: return server_list_key(ui, servers, key);
    case Screen::Settings: return settings_key(ui, key);
    default: return {};
    }
}

Request address_input_key(Interface& ui, Key key) {
    switch (key) {
    case KeyBackspace: erase_last_character(ui.address_input); return {};
    case KeyEscape: close_chat(ui.address_input); return {};
    case KeyEnter:
    case KeyPadEnter: return {Ask::AddServer};
    default: return {};
    }
}

const char* server_status_label(const ServerEntry& entry) {
    switch (entry.status.load(std::memory_order_acquire)) {
    case ServerStatus::Answered: return entry.result.compatible ? "online" : "different version";
    case ServerStatus::Unreachable: return "offline";
    default: return "checking...";
    }
}
