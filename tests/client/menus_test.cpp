// Keys on the main menu, the server list and the settings.
#include "client/menus.h"

#include <gtest/gtest.h>

#include <string>

#include "client/chat_input.h"
#include "client/server_list.h"

namespace {

struct MenuCase {
    const char* name;
    Interface before;
    int servers;
    Key key;
    Interface after;
    Ask ask;
    uint8_t server = 0;
};

// A list of `n` fixed servers.
ServerScreenShape fixed(int n) { return {{static_cast<uint8_t>(n), 0, 0}, false}; }

Interface on(Screen screen, uint64_t selection) {
    Interface ui;
    ui.screen = screen;
    ui.menu_selection = selection;
    ui.status_recheck_timer = 3.0f;
    return ui;
}

Interface with_volume(Interface ui, uint8_t volume) {
    ui.volume = volume;
    return ui;
}

Interface with_resolution(Interface ui, uint8_t index, bool changed) {
    ui.resolution_index = index;
    ui.display_settings_changed = changed;
    return ui;
}

Interface borderless(Interface ui, bool on, bool changed) {
    ui.borderless_fullscreen = on;
    ui.display_settings_changed = changed;
    return ui;
}

Interface with_skill(Interface ui, BotSkill skill) {
    ui.bot_skill = skill;
    return ui;
}

Interface with_timer(Interface ui, float timer) {
    ui.status_recheck_timer = timer;
    return ui;
}

void expect_same(const Interface& a, const Interface& b, const char* name) {
    EXPECT_EQ(a.screen, b.screen) << name;
    EXPECT_EQ(a.menu_selection, b.menu_selection) << name;
    EXPECT_EQ(a.volume, b.volume) << name;
    EXPECT_EQ(a.resolution_index, b.resolution_index) << name;
    EXPECT_EQ(a.borderless_fullscreen, b.borderless_fullscreen) << name;
    EXPECT_EQ(a.display_settings_changed, b.display_settings_changed) << name;
    EXPECT_EQ(a.bot_skill, b.bot_skill) << name;
    EXPECT_EQ(a.status_recheck_timer, b.status_recheck_timer) << name;
}

const Screen MAIN = Screen::MainMenu;
const Screen LIST = Screen::ServerList;
const Screen SETTINGS = Screen::Settings;

TEST(MenuKey, EveryScreensKeys) {
    const MenuCase cases[] = {
        // The main menu wraps both ways and starts what is chosen.
        {"main up wraps", on(MAIN, 0), 1, KeyUp, on(MAIN, 4), Ask::Nothing},
        {"main down wraps", on(MAIN, 4), 1, KeyDown, on(MAIN, 0), Ask::Nothing},
        {"main down", on(MAIN, 1), 1, KeyDown, on(MAIN, 2), Ask::Nothing},
        {"connect", on(MAIN, 0), 1, KeyEnter, with_timer(on(LIST, 0), 0.0f), Ask::Nothing},
        {"tutorial", on(MAIN, 1), 1, KeyPadEnter, on(MAIN, 1), Ask::StartTutorial},
        {"practice", on(MAIN, 2), 1, KeyEnter, on(MAIN, 2), Ask::StartPractice},
        {"settings", on(MAIN, 3), 1, KeyEnter, on(SETTINGS, 0), Ask::Nothing},
        {"exit", on(MAIN, 4), 1, KeyEnter, on(MAIN, 4), Ask::Quit},
        {"main escape", on(MAIN, 2), 1, KeyEscape, on(MAIN, 2), Ask::Nothing},
        {"main left", on(MAIN, 2), 1, KeyLeft, on(MAIN, 2), Ask::Nothing},
        {"main digit", on(MAIN, 1), 1, KeyDigit1, on(MAIN, 1), Ask::Nothing},
        // The server list: its entries, then "Add server" and "Back".
        {"one server: up from the entry is Back", on(LIST, 0), 1, KeyUp, on(LIST, 2), Ask::Nothing},
        {"two servers: down to Add server", on(LIST, 1), 2, KeyDown, on(LIST, 2), Ask::Nothing},
        {"two servers: down wraps", on(LIST, 3), 2, KeyDown, on(LIST, 0), Ask::Nothing},
        {"first entry", on(LIST, 0), 2, KeyEnter, on(LIST, 0), Ask::StartOnline, 0},
        {"second entry", on(LIST, 1), 2, KeyPadEnter, on(LIST, 1), Ask::StartOnline, 1},
        {"back", on(LIST, 2), 1, KeyEnter, on(MAIN, 0), Ask::Nothing},
        {"delete on a fixed server", on(LIST, 0), 2, KeyDelete, on(LIST, 0), Ask::Nothing},
        {"list escape", on(LIST, 0), 2, KeyEscape, on(MAIN, 0), Ask::Nothing},
        {"list right", on(LIST, 0), 2, KeyRight, on(LIST, 0), Ask::Nothing},
        // Settings: volume in steps of 10 within 0..100.
        {"volume up", with_volume(on(SETTINGS, 0), 90), 1, KeyRight, on(SETTINGS, 0), Ask::ApplyVolume},
        {"volume stays at 100", on(SETTINGS, 0), 1, KeyRight, on(SETTINGS, 0), Ask::ApplyVolume},
        {"volume stays at 0", with_volume(on(SETTINGS, 0), 0), 1, KeyLeft, with_volume(on(SETTINGS, 0), 0),
         Ask::ApplyVolume},
        {"volume down", on(SETTINGS, 0), 1, KeyLeft, with_volume(on(SETTINGS, 0), 90), Ask::ApplyVolume},
        {"volume enter", with_volume(on(SETTINGS, 0), 40), 1, KeyEnter, with_volume(on(SETTINGS, 0), 50),
         Ask::ApplyVolume},
        // The resolution wraps around the five sizes.
        {"resolution left from 0", with_resolution(on(SETTINGS, 1), 0, false), 1, KeyLeft,
         with_resolution(on(SETTINGS, 1), 4, true), Ask::Nothing},
        {"resolution right from 4", with_resolution(on(SETTINGS, 1), 4, false), 1, KeyRight,
         with_resolution(on(SETTINGS, 1), 0, true), Ask::Nothing},
        {"resolution enter", on(SETTINGS, 1), 1, KeyEnter, with_resolution(on(SETTINGS, 1), 2, true), Ask::Nothing},
        // Every key that changes the display mode toggles it.
        {"display left", on(SETTINGS, 2), 1, KeyLeft, borderless(on(SETTINGS, 2), true, true), Ask::Nothing},
        {"display right back", borderless(on(SETTINGS, 2), true, false), 1, KeyRight,
         borderless(on(SETTINGS, 2), false, true), Ask::Nothing},
        // The bots' skill wraps around the three.
        {"bots right", on(SETTINGS, 3), 1, KeyRight, with_skill(on(SETTINGS, 3), BotSkill::Hard), Ask::Nothing},
        {"bots enter from hard", with_skill(on(SETTINGS, 3), BotSkill::Hard), 1, KeyEnter,
         with_skill(on(SETTINGS, 3), BotSkill::Easy), Ask::Nothing},
        {"bots left from easy", with_skill(on(SETTINGS, 3), BotSkill::Easy), 1, KeyLeft,
         with_skill(on(SETTINGS, 3), BotSkill::Hard), Ask::Nothing},
        {"settings back", on(SETTINGS, 4), 1, KeyEnter, on(MAIN, 3), Ask::Nothing},
        {"settings escape", on(SETTINGS, 1), 1, KeyEscape, on(MAIN, 3), Ask::Nothing},
        {"left on back", on(SETTINGS, 4), 1, KeyLeft, on(SETTINGS, 4), Ask::Nothing},
        {"settings up wraps", on(SETTINGS, 0), 1, KeyUp, on(SETTINGS, 4), Ask::Nothing},
        // Keys with a code above Esc do nothing on the settings.
        {"tab on volume", with_volume(on(SETTINGS, 0), 50), 1, KeyTab, with_volume(on(SETTINGS, 0), 50),
         Ask::Nothing},
        {"digit on resolution", on(SETTINGS, 1), 1, KeyDigit2, on(SETTINGS, 1), Ask::Nothing},
        {"chat on display", on(SETTINGS, 2), 1, KeyChat, on(SETTINGS, 2), Ask::Nothing},
    };
    for (const MenuCase& c : cases) {
        Interface ui = c.before;
        const Request r = menu_key(ui, fixed(c.servers), c.key);
        expect_same(ui, c.after, c.name);
        EXPECT_EQ(r.ask, c.ask) << c.name;
        if (c.ask == Ask::StartOnline) {
            EXPECT_EQ(r.server, c.server) << c.name;
        }
    }
}

TEST(MenuKey, NothingOnTheGameScreen) {
    Interface ui = on(Screen::Playing, 0);
    EXPECT_EQ(menu_key(ui, fixed(1), KeyEnter).ask, Ask::Nothing);
    EXPECT_EQ(ui.screen, Screen::Playing);
}

// One fixed server, two added, the heading, one Internet server: rows
// 0 fixed, 1-2 added, 3 heading, 4 Internet, 5 Add server, 6 Back.
TEST(MenuKey, TheServersScreensRows) {
    const ServerScreenShape shape = {{1, 2, 1}, true};
    Interface ui = on(LIST, 2);
    menu_key(ui, shape, KeyDown);
    EXPECT_EQ(ui.menu_selection, 4u) << "down passes over the heading";
    menu_key(ui, shape, KeyUp);
    EXPECT_EQ(ui.menu_selection, 2u) << "and so does up";
    EXPECT_EQ(menu_key(ui, shape, KeyEnter).server, 2);

    const Request removed = menu_key(ui, shape, KeyDelete);
    EXPECT_EQ(removed.ask, Ask::RemoveServer);
    EXPECT_EQ(removed.server, 2);
    ui.menu_selection = 4;
    EXPECT_EQ(menu_key(ui, shape, KeyDelete).ask, Ask::Nothing) << "a registry's server stays";
    const Request internet = menu_key(ui, shape, KeyEnter);
    EXPECT_EQ(internet.ask, Ask::StartOnline);
    EXPECT_EQ(internet.server, 3) << "the fourth server, below the heading";

    ui.menu_selection = 3;  // set from outside onto the heading: Enter does nothing
    EXPECT_EQ(menu_key(ui, shape, KeyEnter).ask, Ask::Nothing);

    // "Add server" opens the line; typing is the chat line's; Enter hands it over.
    ui.menu_selection = 5;
    EXPECT_EQ(menu_key(ui, shape, KeyEnter).ask, Ask::Nothing);
    ASSERT_TRUE(ui.address_input.typing);
    chat_text_input(ui.address_input, "10.0.0.1:7é");
    address_input_key(ui, KeyBackspace);
    EXPECT_EQ(std::string(ui.address_input.text, ui.address_input.length), "10.0.0.1:7");
    EXPECT_EQ(address_input_key(ui, KeyEnter).ask, Ask::AddServer);
    EXPECT_EQ(address_input_key(ui, KeyEscape).ask, Ask::Nothing);
    EXPECT_FALSE(ui.address_input.typing);
}

TEST(ServerRows, TheShownWindowFollowsTheSelection) {
    EXPECT_EQ(shown_rows(4, 3).first, 0);
    EXPECT_EQ(shown_rows(4, 3).count, 4);
    const int rows = 40;
    EXPECT_EQ(shown_rows(rows, 0).first, 0);
    EXPECT_EQ(shown_rows(rows, 20).count, 9) << "nine rows fit";
    EXPECT_EQ(shown_rows(rows, 20).first, 20 - 4);
    EXPECT_EQ(shown_rows(rows, 39).first, rows - 9) << "the last rows fill the window";
    EXPECT_EQ(shown_rows(9, 8).count, 9) << "nine rows do not scroll";
    EXPECT_EQ(shown_rows(9, 8).first, 0);
    for (uint64_t selection = 0; selection < rows; ++selection) {
        const ShownRows shown = shown_rows(rows, selection);
        EXPECT_GE(selection, static_cast<uint64_t>(shown.first));
        EXPECT_LT(selection, static_cast<uint64_t>(shown.first + shown.count));
    }
}

TEST(ServerStatusLabel, FollowsTheQuery) {
    ServerEntry e;
    EXPECT_EQ(std::string(server_status_label(e)), "checking...");
    e.status = ServerStatus::Checking;
    EXPECT_EQ(std::string(server_status_label(e)), "checking...");
    e.status = ServerStatus::Unreachable;
    EXPECT_EQ(std::string(server_status_label(e)), "offline");
    e.result.answered = true;
    e.status = ServerStatus::Answered;
    EXPECT_EQ(std::string(server_status_label(e)), "different version");
    e.result.compatible = true;
    EXPECT_EQ(std::string(server_status_label(e)), "online");
}

}  // namespace
