#include "client/notifications.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string text(const NotificationList& list, int i) { return std::string(list.items[i].view()); }

TEST(Notifications, NinthLinePushesOutTheOldestAndKeepsOrder) {
    NotificationList list;
    for (int i = 1; i <= 9; ++i) notify(list, INFO_COLOUR, {"line ", decimal(i)});
    ASSERT_EQ(list.count, 8);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(text(list, i), "line " + std::to_string(i + 2));
    EXPECT_FLOAT_EQ(list.pulse, 9.0f);
}

TEST(Notifications, PiecesAreJoinedWithColourAndHold) {
    NotificationList list;
    notify(list, GOLD_COLOUR, {"Player ", decimal(8), ": ", "hello"}, CHAT_HOLD);
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(text(list, 0), "Player 8: hello");
    EXPECT_EQ(list.items[0].hold, CHAT_HOLD);
    EXPECT_EQ(list.items[0].colour.g, GOLD_COLOUR.g);
    EXPECT_EQ(list.items[0].age, 0.0f);
}

TEST(Notifications, LineIsOpaqueWhileHeldThenFadesAndGoesOnTheThreeHundredthTick) {
    NotificationList list;
    notify(list, INFO_COLOUR, {"x"});
    for (int tick = 1; tick <= 299; ++tick) {
        age_notifications(list);
        ASSERT_EQ(list.count, 1) << "tick " << tick;
        if (tick < 240) {
            ASSERT_EQ(notification_alpha(list.items[0]), 1.0f) << "tick " << tick;
        }
    }
    EXPECT_GT(notification_alpha(list.items[0]), 0.0f);
    EXPECT_LT(notification_alpha(list.items[0]), 0.05f);
    age_notifications(list);
    EXPECT_EQ(list.count, 0);
}

TEST(Notifications, ChatLineStaysTenSecondsPlusTheFade) {
    NotificationList list;
    notify(list, INFO_COLOUR, {"chat"}, CHAT_HOLD);
    notify(list, INFO_COLOUR, {"short"});
    for (int tick = 0; tick < 300; ++tick) age_notifications(list);
    ASSERT_EQ(list.count, 1);  // the short line went first, the chat line moved up
    EXPECT_EQ(text(list, 0), "chat");
    for (int tick = 300; tick < 1255; ++tick) age_notifications(list);
    EXPECT_EQ(list.count, 1);
    for (int tick = 1255; tick < 1265; ++tick) age_notifications(list);
    EXPECT_EQ(list.count, 0);
}

TEST(Notifications, PulseDecaysAndSnapsToZero) {
    NotificationList list;
    notify(list, INFO_COLOUR, {"x"});
    age_notifications(list);
    EXPECT_FLOAT_EQ(list.pulse, 0.8576959f);
    for (int i = 0; i < 60; ++i) age_notifications(list);
    EXPECT_EQ(list.pulse, 0.0f);
}

// A long text is cut to 96 bytes, but never inside a UTF-8 character.
TEST(Notifications, LongTextIsCutAtACharacterBoundary) {
    struct Case {
        std::string text;
        size_t kept;
    };
    const std::string a95(95, 'a');
    const Case cases[] = {
        {std::string(96, 'a'), 96},
        {std::string(120, 'a'), 96},
        {a95 + "\xC3\xA9" + "zz", 95},              // two-byte character across the cut
        {std::string(94, 'a') + "\xC3\xA9" + "z", 96},  // ends exactly at 96
        {std::string(94, 'a') + "\xE2\x82\xAC", 94},    // three-byte character over the edge
        {std::string(93, 'a') + "\xF0\x9F\x9A\x80" + "b", 93},
    };
    for (const Case& c : cases) {
        NotificationList list;
        notify(list, INFO_COLOUR, {c.text});
        EXPECT_EQ(list.items[0].length, c.kept) << c.text.size();
        EXPECT_EQ(text(list, 0), c.text.substr(0, c.kept));
    }
    // The cut works across pieces too.
    NotificationList list;
    notify(list, INFO_COLOUR, {a95, "\xC3\xA9", "tail"});
    EXPECT_EQ(text(list, 0), a95);
}

TEST(Notifications, DecimalText) {
    EXPECT_EQ(decimal(0).view(), "0");
    EXPECT_EQ(decimal(15).view(), "15");
    EXPECT_EQ(decimal(18446744073709551615ull).view(), "18446744073709551615");
}

}  // namespace
