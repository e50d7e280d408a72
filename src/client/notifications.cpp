#include "client/notifications.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "world/world.h"

namespace {

constexpr float PULSE_DECAY = 0.8576959f;
constexpr float PULSE_FLOOR = 0.001f;

constexpr bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

void notify(NotificationList& list, Color colour, std::initializer_list<std::string_view> pieces, float hold) {
    if (list.count >= MAX_NOTIFICATIONS) {
        std::memmove(&list.items[0], &list.items[1], sizeof(Notification) * (MAX_NOTIFICATIONS - 1));
        list.count = MAX_NOTIFICATIONS - 1;
    }
    Notification& n = list.items[list.count++];
    n = Notification{};
    n.colour = colour;
    n.hold = hold;

    // Copy what fits; remember the first byte that did not, because it tells
    // whether the cut at 96 lands inside a character.
    size_t used = 0;
    bool cut = false;
    unsigned char first_dropped = 0;
    for (std::string_view piece : pieces) {
        size_t room = NOTIFICATION_TEXT - used;
        size_t take = std::min(room, piece.size());
        if (take > 0) std::memcpy(n.text + used, piece.data(), take);
        used += take;
        if (take < piece.size()) {
            cut = true;
            first_dropped = static_cast<unsigned char>(piece[take]);
            break;
        }
    }
    if (cut) {
        // Step back while the byte after the cut continues the character
        // before it; a character split in two would make the line undrawable.
        unsigned char next = first_dropped;
        while (used > 0 && is_continuation(next)) {
            --used;
            next = static_cast<unsigned char>(n.text[used]);
        }
        std::memset(n.text + used, 0, NOTIFICATION_TEXT - used);
    }
    n.length = used;
    list.pulse += 1.0f;
}

float notification_alpha(const Notification& n) {
    return std::clamp(1.0f - 2.0f * (n.age - n.hold), 0.0f, 1.0f);
}

void age_notifications(NotificationList& list) {
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        Notification& n = list.items[i];
        n.age += TICK;
        if (notification_alpha(n) <= 0.0f) continue;
        if (kept != i) list.items[kept] = n;
        ++kept;
    }
    list.count = kept;
    list.pulse *= PULSE_DECAY;
    if (list.pulse < PULSE_FLOOR) list.pulse = 0.0f;
}

DecimalText decimal(uint64_t n) {
    DecimalText t{};
    // 20 digits hold every 64-bit value, so the conversion cannot fail.
    t.length = static_cast<uint8_t>(std::to_chars(t.digits, t.digits + sizeof t.digits, n).ptr - t.digits);
    return t;
}
