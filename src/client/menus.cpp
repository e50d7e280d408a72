#include "client/menus.h"

#include <algorithm>

#include "client/server_list.h"

namespace {

// The server list lays out this many entries at most, and "Back".
constexpr int MAX_LISTED_SERVERS = 7;

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

Request server_list_key(Interface& ui, uint8_t items, Key key) {
    if (key == KeyEscape) {
        show(ui, Screen::MainMenu, MenuConnect);
        return {};
    }
    if (!is_enter(key)) return {};
    if (ui.menu_selection + 1 >= items) {  // "Back"
        show(ui, Screen::MainMenu, MenuConnect);
        return {};
    }
    return {Ask::StartOnline, static_cast<uint8_t>(ui.menu_selection)};
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

uint8_t menu_item_count(Screen screen, int server_count) {
    switch (screen) {
    case Screen::MainMenu: return MAIN_MENU_ITEMS;
    case Screen::ServerList: return static_cast<uint8_t>(std::clamp(server_count, 0, MAX_LISTED_SERVERS) + 1);
    case Screen::Settings: return SETTINGS_ITEMS;
    default: return 0;
    }
}

Request menu_key(Interface& ui, int server_count, Key key) {
    const uint8_t items = menu_item_count(ui.screen, server_count);
    if (items == 0) return {};
    // A selection left over from a longer list (or set from outside) is
    // treated as the last item.
    ui.menu_selection = std::min<uint64_t>(ui.menu_selection, items - 1);
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
    case Screen::ServerList: return server_list_key(ui, items, key);
    case Screen::Settings: return settings_key(ui, key);
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
