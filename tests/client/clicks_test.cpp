// Clicks on the interface's rectangles: their edges count, the gaps between
// them do not, at interface scales 1 and 2 and in a letterboxed framebuffer.
// The expected corners are worked out by hand from the layout rules.
#include "client/clicks.h"

#include <gtest/gtest.h>

#include <memory>

#include "client/session.h"

namespace {

// A framebuffer of exactly the 1536 x 864 box at scale 1, twice that at
// scale 2 (a high-density display), and one with bars left and right.
const InterfaceBox SCALE_1 = interface_box(1536, 864, 1.0f);
const InterfaceBox SCALE_2 = interface_box(3072, 1728, 2.0f);
const InterfaceBox BARS = interface_box(2000, 864, 0.0f);  // no display scale: u = 1

TEST(Layout, TheBoxKeepsItsShape) {
    EXPECT_EQ(BARS.x, 232.0f);  // floor((2000 - 1536) / 2)
    EXPECT_EQ(BARS.y, 0.0f);
    EXPECT_EQ(BARS.u, 1.0f);
    const InterfaceBox tall = interface_box(1000, 1000, 1.0f);
    EXPECT_FLOAT_EQ(tall.width, 1000.0f);
    EXPECT_FLOAT_EQ(tall.height, 562.5f);
    EXPECT_EQ(tall.y, 218.0f);  // floor((1000 - 562.5) / 2)
}

TEST(Layout, MenuItems) {
    // Four items: x = round(ox + (bw - 420 u) / 2),
    // y = round(oy + 0.42 bh - (4 * 50 u - 10 u) / 2 + 40 u + k * 50 u).
    const Rect a = menu_item_rect(SCALE_1, 4, 0);
    EXPECT_EQ(a.x, 558.0f);
    EXPECT_EQ(a.y, 308.0f);  // round(362.88 - 95 + 40)
    EXPECT_EQ(a.w, 420.0f);
    EXPECT_EQ(a.h, 40.0f);
    EXPECT_EQ(menu_item_rect(SCALE_1, 4, 3).y, 458.0f);
    const Rect b = menu_item_rect(SCALE_2, 4, 1);
    EXPECT_EQ(b.x, 1116.0f);
    EXPECT_EQ(b.y, 716.0f);  // round(725.76 - 190 + 80 + 100)
    EXPECT_EQ(b.w, 840.0f);
    EXPECT_EQ(menu_item_rect(BARS, 4, 0).x, 790.0f);
    // Two items (a server list with one server): y = round(362.88 - 45 + 40).
    EXPECT_EQ(menu_item_rect(SCALE_1, 2, 0).y, 358.0f);
}

TEST(Layout, DialogButtonsAndShopCells) {
    // The dialog's corner (598, 362); gap (340 - 240) / 3.
    const Rect stay = leave_button_rect(SCALE_1, LEAVE_STAY);
    const Rect leave = leave_button_rect(SCALE_1, LEAVE_LEAVE);
    EXPECT_EQ(stay.x, 631.0f);   // round(598 + 33.33)
    EXPECT_EQ(stay.y, 446.0f);   // 362 + 140 - 36 - 20
    EXPECT_EQ(leave.x, 785.0f);  // round(598 + 120 + 66.67)
    EXPECT_EQ(leave.w, 120.0f);
    EXPECT_EQ(leave_button_rect(SCALE_2, LEAVE_LEAVE).x, 1569.0f);  // round(1196 + 240 + 133.33)
    EXPECT_EQ(leave_button_rect(SCALE_2, LEAVE_STAY).y, 892.0f);    // 724 + 168

    // The shop panel's corner (428, round(211.5) = 212).
    EXPECT_EQ(shop_cell_rect(SCALE_1, 0).x, 444.0f);
    EXPECT_EQ(shop_cell_rect(SCALE_1, 0).y, 257.0f);
    EXPECT_EQ(shop_cell_rect(SCALE_1, 3).x, 942.0f);  // 444 + 3 * 166
    EXPECT_EQ(shop_cell_rect(SCALE_1, 6).x, 776.0f);  // second row, third column
    EXPECT_EQ(shop_cell_rect(SCALE_1, 6).y, 443.0f);
    const Rect cell5 = shop_cell_rect(SCALE_2, 5);  // panel (856, 423)
    EXPECT_EQ(cell5.x, 1220.0f);
    EXPECT_EQ(cell5.y, 885.0f);
    EXPECT_EQ(cell5.w, 300.0f);
    EXPECT_EQ(cell5.h, 340.0f);
}

class Clicks : public ::testing::Test {
protected:
    Request click(const InterfaceBox& box, float x, float y) { return interface_click(ui, *s, {{1, 0, 0}, false}, box, x, y); }
    Interface ui;
    std::unique_ptr<Session> s = std::make_unique<Session>();
};

TEST_F(Clicks, MenuItemEdgesCountAndTheGapsDoNot) {
    // Item 0 of the main menu spans x 558..978, y 283..323 at scale 1; item 1
    // starts at y 333. At scale 2: x 1116..1956, y 566..646, then 666.
    const struct {
        const InterfaceBox* box;
        float x, y;
        Screen screen;  // where the click leads
        Ask ask;
    } cases[] = {
        {&SCALE_1, 558, 283, Screen::ServerList, Ask::Nothing},   // top-left corner of "Connect to server"
        {&SCALE_1, 978, 323, Screen::ServerList, Ask::Nothing},   // bottom-right corner
        {&SCALE_1, 978.5f, 323, Screen::MainMenu, Ask::Nothing},  // just right of it
        {&SCALE_1, 700, 323.5f, Screen::MainMenu, Ask::Nothing},  // in the gap
        {&SCALE_1, 700, 332.5f, Screen::MainMenu, Ask::Nothing},  // in the gap
        {&SCALE_1, 700, 333, Screen::MainMenu, Ask::StartTutorial},
        {&SCALE_1, 700, 383, Screen::MainMenu, Ask::StartPractice},
        {&SCALE_1, 557.5f, 300, Screen::MainMenu, Ask::Nothing},
        {&SCALE_2, 1116, 566, Screen::ServerList, Ask::Nothing},
        {&SCALE_2, 1956, 646, Screen::ServerList, Ask::Nothing},
        {&SCALE_2, 1500, 647, Screen::MainMenu, Ask::Nothing},  // in the 20-pixel gap
        {&SCALE_2, 1500, 665, Screen::MainMenu, Ask::Nothing},
        {&SCALE_2, 1500, 666, Screen::MainMenu, Ask::StartTutorial},
        {&SCALE_2, 1500, 966, Screen::MainMenu, Ask::Quit},      // "Exit": 566 + 400
        {&BARS, 558, 283, Screen::MainMenu, Ask::Nothing},       // the bars moved it to x 790
        {&BARS, 790, 283, Screen::ServerList, Ask::Nothing},
    };
    for (const auto& c : cases) {
        ui = Interface{};
        const Request r = click(*c.box, c.x, c.y);
        EXPECT_EQ(ui.screen, c.screen) << c.x << ", " << c.y;
        EXPECT_EQ(r.ask, c.ask) << c.x << ", " << c.y;
    }
}

TEST_F(Clicks, ASettingsClickActsLikeEnter) {
    ui.screen = Screen::Settings;
    ui.volume = 80;
    EXPECT_EQ(click(SCALE_1, 600, 308).ask, Ask::ApplyVolume);  // "Volume"
    EXPECT_EQ(ui.volume, 90);
    click(SCALE_1, 600, 358);  // "Resolution"
    EXPECT_EQ(ui.menu_selection, 1u);
    EXPECT_EQ(ui.resolution_index, 2);
    EXPECT_TRUE(ui.display_settings_changed);
    click(SCALE_1, 600, 433);  // "Bots"
    EXPECT_EQ(ui.bot_skill, BotSkill::Hard);
    click(SCALE_1, 600, 483);  // "Back"
    EXPECT_EQ(ui.screen, Screen::MainMenu);
    EXPECT_EQ(ui.menu_selection, MenuSettings);
}

TEST_F(Clicks, TheLeaveDialogsButtons) {
    ui.screen = Screen::Playing;
    ui.leave_dialog.open = true;
    EXPECT_EQ(click(SCALE_1, 752, 460).ask, Ask::Nothing);  // between the buttons
    EXPECT_TRUE(ui.leave_dialog.open);
    EXPECT_EQ(click(SCALE_1, 751, 482).ask, Ask::Nothing);  // "Stay", bottom-right corner
    EXPECT_FALSE(ui.leave_dialog.open);

    ui.leave_dialog.open = true;
    EXPECT_EQ(click(SCALE_2, 1569, 892).ask, Ask::LeaveSession);  // "Leave", top-left corner
    EXPECT_FALSE(ui.leave_dialog.open);
}

TEST_F(Clicks, AShopCellBuysItsItem) {
    ui.screen = Screen::Playing;
    s->client.state = ConnectionState::Joined;
    Plane& p = s->client.world.planes[0];
    p.in_use = true;
    p.resources[1] = 15;

    ui.shop.open = true;
    click(SCALE_1, 602, 300);  // between cells 0 (to 594) and 1 (from 610)
    EXPECT_TRUE(ui.shop.open);
    click(SCALE_1, 610, 427);  // cell 1, the shield: bottom-left corner
    EXPECT_FALSE(ui.shop.open);
    EXPECT_EQ(s->pending_buy, 2);

    ui.shop.open = true;
    click(SCALE_2, 1520, 1225);  // cell 5's bottom-right corner at scale 2: upgrade station
    EXPECT_FALSE(ui.shop.open);
    ASSERT_EQ(s->notifications.count, 1);
    EXPECT_EQ(s->notifications.items[0].view(), "Not enough resources for a upgrade station");
}

TEST_F(Clicks, NothingElseOnTheGameScreen) {
    ui.screen = Screen::Playing;
    EXPECT_EQ(click(SCALE_1, 700, 308).ask, Ask::Nothing);
    EXPECT_EQ(ui.screen, Screen::Playing);
    EXPECT_FALSE(ui.shop.open);
}

}  // namespace
