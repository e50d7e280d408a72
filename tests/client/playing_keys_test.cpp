// Keys on the game screen: the leave dialog, the shop's grid and purchases,
// and the screen's own keys under them.
#include "client/playing_keys.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "client/session.h"

namespace {

constexpr uint64_t OWN = 1;

std::string last_line(const Session& s) {
    return s.notifications.count ? std::string(s.notifications.items[s.notifications.count - 1].view()) : "";
}

class PlayingKeys : public ::testing::Test {
protected:
    void SetUp() override {
        ui.screen = Screen::Playing;
        s->active = true;
        s->client.state = ConnectionState::Joined;
        s->client.own_slot = OWN;
        Plane& p = s->client.world.planes[OWN];
        p.in_use = true;
        p.resources[0] = 12;  // a sum of 12: the radar (10) but not the shield (15)
        p.sun_resource = 50;  // exactly an exit vessel
    }
    void open_shop(uint8_t selected) { ui.shop = ShopOverlay{true, selected}; }

    Interface ui;
    std::unique_ptr<Session> s = std::make_unique<Session>();
};

TEST_F(PlayingKeys, ShopArrowsStayInsideTheGrid) {
    // The grid: 0 1 2 3 above 4 5 6.
    const struct {
        uint8_t from;
        Key key;
        uint8_t to;
    } cases[] = {
        {0, KeyLeft, 0},  {4, KeyLeft, 4},  {5, KeyLeft, 4},  {3, KeyLeft, 2},
        {3, KeyRight, 3}, {6, KeyRight, 6}, {2, KeyRight, 3}, {5, KeyRight, 6},
        {0, KeyUp, 0},    {3, KeyUp, 3},    {4, KeyUp, 0},    {6, KeyUp, 2},
        {2, KeyDown, 6},  {3, KeyDown, 3},  {0, KeyDown, 4},  {4, KeyDown, 4},
        {1, KeyTab, 1},   {1, KeyChat, 1},  {1, KeyBackspace, 1},
    };
    for (const auto& c : cases) {
        open_shop(c.from);
        shop_key(ui, *s, c.key);
        EXPECT_TRUE(ui.shop.open) << int(c.from) << " key " << int(c.key);
        EXPECT_EQ(ui.shop.selected, c.to) << int(c.from) << " key " << int(c.key);
    }
    EXPECT_FALSE(s->chat.typing);  // T in the shop does not open the chat
    EXPECT_EQ(s->pending_buy, 0);
}

TEST_F(PlayingKeys, ShopDigitsAndEnterBuyAndAlwaysClose) {
    const struct {
        uint8_t selected;
        Key key;
        uint8_t pending;
        const char* line;
    } cases[] = {
        {0, KeyDigit7, 7, ""},     // the exit vessel: 50 sun resource
        {0, KeyPad3, 3, ""},       // keypad 3 is the radar like the main-row 3
        {0, KeyDigit3, 3, ""},
        {2, KeyEnter, 3, ""},      // the selected item, code selected + 1
        {2, KeyPadEnter, 3, ""},
        {1, KeyEnter, 0, "Not enough resources for a shield"},
        {5, KeyDigit4, 0, "The minimap needs the radar first"},
    };
    for (const auto& c : cases) {
        open_shop(c.selected);
        s->pending_buy = 0;
        s->notifications = NotificationList{};
        shop_key(ui, *s, c.key);
        EXPECT_EQ(s->pending_buy, c.pending) << int(c.key);
        EXPECT_EQ(last_line(*s), c.line) << int(c.key);
        EXPECT_FALSE(ui.shop.open) << int(c.key);
        EXPECT_EQ(ui.shop.selected, 0) << int(c.key);
    }
}

TEST_F(PlayingKeys, EscapeClosesTheShopWithoutBuying) {
    open_shop(5);
    shop_key(ui, *s, KeyEscape);
    EXPECT_FALSE(ui.shop.open);
    EXPECT_EQ(ui.shop.selected, 0);
    EXPECT_EQ(s->pending_buy, 0);
    EXPECT_EQ(s->notifications.count, 0);
}

TEST_F(PlayingKeys, TheGameScreenOpensTheOverlaysAndIgnoresDigits) {
    for (Key digit : {KeyDigit1, KeyDigit7, KeyPad3}) {
        playing_key(ui, *s, digit);
        EXPECT_EQ(s->pending_buy, 0);
        EXPECT_EQ(s->notifications.count, 0);
    }
    EXPECT_FALSE(ui.shop.open);

    playing_key(ui, *s, KeyTab);
    EXPECT_FALSE(ui.minimap_shown);
    playing_key(ui, *s, KeyTab);
    EXPECT_TRUE(ui.minimap_shown);

    playing_key(ui, *s, KeyPadEnter);
    EXPECT_TRUE(ui.shop.open);
    EXPECT_EQ(ui.shop.selected, 0);
    ui.shop = ShopOverlay{};

    playing_key(ui, *s, KeyEscape);
    EXPECT_TRUE(ui.leave_dialog.open);
    EXPECT_EQ(ui.leave_dialog.selection, LEAVE_STAY);
    ui.leave_dialog = LeaveDialog{};

    s->chat.length = 3;  // a stale text is cleared on opening
    playing_key(ui, *s, KeyChat);
    EXPECT_TRUE(s->chat.typing);
    EXPECT_EQ(s->chat.length, 0);
}

TEST(LeaveDialogKey, TogglesClosesAndLeaves) {
    LeaveDialog d{true, LEAVE_STAY};
    EXPECT_EQ(leave_dialog_key(d, KeyTab).ask, Ask::Nothing);
    EXPECT_EQ(leave_dialog_key(d, KeyDigit1).ask, Ask::Nothing);
    EXPECT_TRUE(d.open);
    leave_dialog_key(d, KeyRight);
    EXPECT_EQ(d.selection, LEAVE_LEAVE);
    leave_dialog_key(d, KeyRight);
    EXPECT_EQ(d.selection, LEAVE_STAY);
    leave_dialog_key(d, KeyLeft);
    EXPECT_EQ(d.selection, LEAVE_LEAVE);

    EXPECT_EQ(leave_dialog_key(d, KeyPadEnter).ask, Ask::LeaveSession);
    EXPECT_FALSE(d.open);
    EXPECT_EQ(d.selection, LEAVE_STAY);

    d = LeaveDialog{true, LEAVE_STAY};
    EXPECT_EQ(leave_dialog_key(d, KeyEnter).ask, Ask::Nothing);  // "Stay"
    EXPECT_FALSE(d.open);

    d = LeaveDialog{true, LEAVE_LEAVE};
    EXPECT_EQ(leave_dialog_key(d, KeyEscape).ask, Ask::Nothing);
    EXPECT_FALSE(d.open);
    EXPECT_EQ(d.selection, LEAVE_STAY);
}

}  // namespace
