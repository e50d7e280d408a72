#pragma once
// Short coloured lines that tell the player what happened. Each stays for its
// hold time, then fades out over half a second; at most eight are shown, and
// a ninth pushes the oldest out. `pulse` jumps by one with every new line and
// decays, so the HUD can flash when something arrives.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "base/color.h"

constexpr Color INFO_COLOUR = {0.85f, 0.85f, 0.9f, 1.0f};
constexpr Color REFUSAL_COLOUR = {1.0f, 0.4f, 0.35f, 1.0f};
constexpr Color GOLD_COLOUR = {1.0f, 0.88f, 0.55f, 1.0f};
constexpr Color UPGRADE_COLOUR = {1.0f, 0.8f, 0.3f, 1.0f};

constexpr int MAX_NOTIFICATIONS = 8;
constexpr size_t NOTIFICATION_TEXT = 96;
constexpr float NOTIFICATION_HOLD = 2.0f;
constexpr float CHAT_HOLD = 10.0f;

struct Notification {
    uint64_t length = 0;  // 0..96
    Color colour{};
    float age = 0;
    float hold = NOTIFICATION_HOLD;
    char text[NOTIFICATION_TEXT] = {};

    std::string_view view() const { return {text, static_cast<size_t>(length)}; }
};

struct NotificationList {
    Notification items[MAX_NOTIFICATIONS];  // oldest first
    int count = 0;
    float pulse = 0.0f;
};

// Adds a line built from the pieces in order. A text longer than 96 bytes is
// cut at the last UTF-8 character boundary that fits, so no character is ever
// split. A full list loses its oldest line first.
void notify(NotificationList& list, Color colour, std::initializer_list<std::string_view> pieces,
            float hold = NOTIFICATION_HOLD);

// One tick of ageing: lines whose fade has finished are removed, and the
// pulse decays.
void age_notifications(NotificationList& list);

// How opaque a line is drawn: 1 while held, then down to 0 over half a second.
float notification_alpha(const Notification& n);

// A number as decimal text, built without allocating, for notification
// pieces such as "Player " + (slot + 1).
struct DecimalText {
    char digits[20];
    uint8_t length;
    std::string_view view() const { return {digits, length}; }
    operator std::string_view() const { return view(); }
};
DecimalText decimal(uint64_t n);
