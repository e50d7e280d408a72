#pragma once
// The interface's state: which screen is shown, what is selected on it, the
// overlays of the game screen and the settings. The App carries it (as its
// base record, so its fields read app.screen, app.shop, ...); the key and
// click handling of client/ changes it, and the drawing reads it.
//
// What the interface cannot do by itself (start or end a session, quit, set
// the sound's volume) it asks of the shell with a Request.
#include <cstdint>

#include "bots/skills.h"
#include "client/chat.h"

enum class Screen : uint8_t {
    MainMenu = 0,
    ServerList = 1,
    Settings = 2,
    Playing = 3,
};

constexpr uint8_t SHOP_ITEMS = 7;
constexpr uint8_t SHOP_ROW = 4;  // items per row: 4 above 3

struct ShopOverlay {
    bool open = false;
    uint8_t selected = 0;  // 0..6, buys item code selected + 1
};

constexpr uint8_t LEAVE_STAY = 0;
constexpr uint8_t LEAVE_LEAVE = 1;

struct LeaveDialog {
    bool open = false;
    uint8_t selection = LEAVE_STAY;
};

// The items of the main menu and of the settings, top to bottom.
enum MainMenuItem : uint8_t { MenuConnect = 0, MenuTutorial = 1, MenuPractice = 2, MenuSettings = 3, MenuExit = 4 };
enum SettingsItem : uint8_t {
    SettingsVolume = 0,
    SettingsResolution = 1,
    SettingsDisplay = 2,
    SettingsBots = 3,
    SettingsBack = 4,
};
constexpr uint8_t MAIN_MENU_ITEMS = 5;
constexpr uint8_t SETTINGS_ITEMS = 5;
constexpr const char* MAIN_MENU_LABELS[MAIN_MENU_ITEMS] = {"Connect to server", "Tutorial", "Practice", "Settings",
                                                           "Exit"};
constexpr const char* SETTINGS_LABELS[SETTINGS_ITEMS] = {"Volume", "Resolution", "Display", "Bots", "Back"};

// Window sizes offered by the settings, in window coordinates.
struct Resolution {
    int width;
    int height;
};
constexpr uint8_t RESOLUTION_COUNT = 5;
constexpr Resolution RESOLUTIONS[RESOLUTION_COUNT] = {
    {960, 540}, {1280, 720}, {1600, 900}, {1920, 1080}, {2560, 1440},
};

constexpr uint8_t VOLUME_STEP = 10;
constexpr uint8_t VOLUME_MAX = 100;

struct Interface {
    Screen screen = Screen::MainMenu;
    uint64_t menu_selection = 0;  // index of the highlighted item
    ShopOverlay shop;
    LeaveDialog leave_dialog;

    // Settings, kept for the run only. The shell applies the display settings
    // to the window in the next frame whenever display_settings_changed is set.
    uint8_t volume = VOLUME_MAX;  // 0..100 in steps of 10
    uint8_t resolution_index = 1;  // 1280 x 720; no effect while borderless
    bool borderless_fullscreen = false;
    bool display_settings_changed = false;
    BotSkill bot_skill = BotSkill::Normal;  // of the bots in a practice game
    bool minimap_shown = true;

    // Counts down while no session runs; the server list asks every server
    // for its status again when it reaches 0.
    float status_recheck_timer = 0.0f;

    // The servers screen's "Add server" line: typed like a chat line, its
    // text a host or host:port.
    ChatInput address_input;
};

// What a key or a click asks the shell to do after it changed the state.
enum class Ask : uint8_t {
    Nothing,
    StartTutorial,
    StartPractice,  // against bots of the settings' skill
    StartOnline,  // against the server list's entry `server`
    LeaveSession,
    Quit,
    ApplyVolume,   // the volume setting changed
    AddServer,     // the text of the address input, which the shell then closes
    RemoveServer,  // the server list's entry `server`, one the player added
};

struct Request {
    Ask ask = Ask::Nothing;
    uint8_t server = 0;
};

struct ServerScreenShape;

// How many items a menu screen lists: the servers screen has its rows
// (client/server_rows.h). Zero on the game screen.
int menu_item_count(Screen screen, const ServerScreenShape& servers);
