#include "render/hud.h"

#include <cmath>

#include "base/fixed_text.h"
#include "render/labels.h"
#include "render/minimap.h"
#include "render/panels.h"
#include "render/renderer.h"
#include "render/text.h"
#include "render/text_fit.h"
#include "render/ui_colors.h"
#include "world/boarding.h"
#include "world/world_limits.h"

namespace {

constexpr Color TRAIL_COLOR = {1, 0.95f, 0.85f, 0.55f};
constexpr float CHAT_LIFT = 1.3f;  // lines the notifications move up while chat is typed

float clamp01(float x) { return std::fmin(std::fmax(x, 0.0f), 1.0f); }

// A whole number of seconds left, as the countdowns show it ("-0" never shows).
float seconds_left(float t) { return std::ceil(t) + 0.0f; }

// One bar: the background, an optional trail, then the fill.
void push_bar(CapsuleList& list, float x, float y, float width, float thickness, float fraction, float trail,
              Color fill) {
    const float r = thickness / 2;
    const float length = width - 2 * r;
    const Vec2 start = {x + r, y + r};
    push_segment(list, start, {x + r + length, y + r}, r, PANEL_COLOR);
    if (trail > fraction) push_segment(list, start, {x + r + trail * length, y + r}, 0.8f * r, TRAIL_COLOR);
    if (fraction > 0) push_segment(list, start, {x + r + fraction * length, y + r}, 0.8f * r, fill);
}

// Returns the y below the bars.
float draw_bars(Renderer& r, const UiLayout& l, const Plane& plane, const Rules& rules, const HudValues& hud) {
    const HealthBar bar = health_bar(l, plane, rules, hud);
    const float f = bar.fraction;
    push_bar(r.screen_list, bar.x, bar.y, bar.width, bar.thickness, f, bar.trail,
             {1 - 0.7f * f, 0.25f + 0.75f * f, 0.2f + 0.2f * f, 1});
    const float px = std::round(14 * l.u);
    FixedText<32> text;
    text << plane.health << " / " << rules.plane_health;
    draw_label(r, text.view(), bar.x + bar.width + 8 * l.u, bar.y + bar.thickness / 2 + 0.35f * px,
               {px, TEXT_COLOR, l.shadow, 1, true});
    float bottom = bar.y + bar.thickness;
    if (plane.shield > 0) {
        const float y = bottom + std::round(5 * l.u);
        const float strength = rules.shield_strength;
        const float fill = strength > 0 ? clamp01(plane.shield / strength) : 1.0f;
        push_bar(r.screen_list, bar.x, y, bar.width, bar.thickness, fill, 0, SHIELD_COLOR);
        bottom = y + bar.thickness;
    }
    return bottom;
}

// The icon and the count share one backing pill, under both.
void draw_counter(Renderer& r, const UiLayout& l, float slot_x, float y, uint32_t count, Color c) {
    const Vec2 centre = {l.bx + slot_x * l.u, y};
    const float px = std::round(14 * l.u);
    FixedText<16> text;
    text << count;
    const float x = centre.x + 10 * l.u;
    const float baseline = y + 0.35f * px;
    push_pill(r.screen_list, backing_rect(centre.x - 6 * l.u, x + measure_text(r, text.view(), px), baseline, px),
              HUD_BACKING_COLOR);
    push_resource_icon(r.screen_list, centre, l.u, c);
    draw_label(r, text.view(), x, baseline, {px, c, l.shadow});
}

void draw_counters(Renderer& r, const UiLayout& l, const Plane& plane, float top) {
    const float y = top + 14 * l.u;
    for (int k = 0; k < RESOURCE_KINDS; ++k) {
        draw_counter(r, l, 12 + 6 + static_cast<float>(k) * 60, y, plane.resources[k], COUNTER_COLORS[k]);
    }
    if (plane.sun_resource != 0) draw_counter(r, l, 12 + 6 + 180, y, plane.sun_resource, COUNTER_COLORS[3]);
}

bool inside_exit_vessel(const World& w, const Plane& plane) {
    for (int i = 0; i < object_limit(w); ++i) {
        const WorldObject& o = w.objects[i];
        if (o.kind == OBJECT_VESSEL && !o.destroyed && !o.free && inside_object(w, o, plane.pos)) return true;
    }
    return false;
}

// What a plane in an exit vessel still lacks: "You need W of each resource
// to win", and below it "Missing:" with each short amount beside its icon.
void draw_missing_panel(Renderer& r, const UiLayout& l, const World& w, const Plane& plane) {
    const uint32_t need = w.rules.win_amount;
    const float u = l.u;
    const float px = std::round(20 * u);
    const float small = l.body_px;
    FixedText<64> first;
    first << "You need " << need << " of each resource to win";
    FixedText<16> amounts[RESOURCE_KINDS];
    const std::string_view missing = "Missing:";
    float width = measure_text(r, missing, small);
    for (int k = 0; k < RESOURCE_KINDS; ++k) {
        if (plane.resources[k] >= need) continue;
        amounts[k] << need - plane.resources[k];
        width += 14 * u + 12 * u + 6 * u + measure_text(r, amounts[k].view(), small);
    }
    const float centre = l.bx + l.bw / 2;
    const float baseline = l.by + l.bh / 4 + px / 3;
    const float second = baseline + std::round(1.5f * small);
    const float panel_width = std::fmax(measure_text(r, first.view(), px), width) + 48 * u;
    const float panel_top = baseline - px - 10 * u;
    const Rect panel = {centre - panel_width / 2, panel_top, panel_width, second + 14 * u - panel_top};
    if (r.labels.covering && overlaps(panel, r.labels.cover)) return;  // under an open overlay, panel and all
    push_pill(r.screen_list, panel, HUD_BACKING_COLOR);
    draw_label_centred(r, first.view(), centre, baseline, {px, BOARDING_TEXT_COLOR, l.shadow});
    float x = centre - width / 2;
    draw_label(r, missing, x, second, {small, TEXT_COLOR, l.shadow});
    x += measure_text(r, missing, small);
    for (int k = 0; k < RESOURCE_KINDS; ++k) {
        if (amounts[k].length == 0) continue;
        x += 14 * u;
        push_resource_icon(r.screen_list, {x + 6 * u, second - 0.35f * small}, u, COUNTER_COLORS[k]);
        x += 12 * u + 6 * u;
        draw_label(r, amounts[k].view(), x, second, {small, COUNTER_COLORS[k], l.shadow});
        x += measure_text(r, amounts[k].view(), small);
    }
}

bool short_of_resources(const Plane& plane, uint32_t need) {
    for (uint32_t amount : plane.resources) {
        if (amount < need) return true;
    }
    return false;
}

void draw_countdowns(Renderer& r, const UiLayout& l, const InterfaceView& v, const World& w, const Plane& plane) {
    const float px = std::round(32 * l.u);
    const TextStyle big = {px, WHITE, 2 * l.shadow, 1, true};
    const float centre = l.bx + l.bw / 2;
    FixedText<64> text;
    if (plane.dead) {
        text << "Respawning in " << seconds_left(plane.respawn_timer);
        // The leave dialog takes the middle of the screen: the countdown
        // moves up above it.
        const float baseline = v.leave_dialog.open ? leave_dialog_rect(l.box).y - std::round(16 * l.u)
                                                   : l.by + l.bh / 2 + px / 3;
        draw_label_centred(r, text.view(), centre, baseline, big);
    } else if (is_object_index(w, plane.boarding_vessel)) {
        text << "Boarding: stay inside " << seconds_left(std::fmax(w.rules.boarding_time - plane.boarding_timer, 0.0f));
        draw_label_centred(r, text.view(), centre, l.by + l.bh / 4 + px / 3,
                           {px, BOARDING_TEXT_COLOR, 2 * l.shadow, 1, true});
    } else if (short_of_resources(plane, w.rules.win_amount) && inside_exit_vessel(w, plane)) {
        draw_missing_panel(r, l, w, plane);
    }
}

void draw_win_banner(Renderer& r, const UiLayout& l, const World& w, uint8_t local_slot, uint8_t bot_mask,
                     bool tutorial) {
    const uint8_t winner = w.winner;
    const float px = std::round(44 * l.u);
    const float centre = l.bx + l.bw / 2;
    const float quarter = l.by + l.bh / 4;
    FixedText<32> banner;
    if (winner == local_slot) {
        banner << "You win!";
    } else {
        banner << (is_slot(winner) && (bot_mask >> winner & 1u) ? "Bot " : "Player ") << winner + 1 << " wins";
    }
    const bool present = is_slot(winner) && w.planes[winner].in_use;
    const Color c = present ? player_color(winner) : BOARDING_TEXT_COLOR;
    draw_label_centred(r, banner.view(), centre, quarter - 0.4f * px, {px, c, 2 * l.shadow, 1, true});
    const float small = std::round(32 * l.u);
    FixedText<48> countdown;
    countdown << (tutorial ? "Starting over in" : "New game in") << ' ' << seconds_left(w.round_over_timer);
    draw_label_centred(r, countdown.view(), centre, quarter + small, {small, WHITE, 2 * l.shadow, 1, true});
}

// The pill holds the line's end, the part being typed: when "Say: " and the
// whole text would overflow it, the text's start gives way to "...". The
// caret counts even while it blinks off, so the text does not jump.
void draw_chat_line(Renderer& r, const UiLayout& l, const ChatInput& chat, float time) {
    const float u = l.u;
    const float baseline = l.by + l.bh - 12 * u;
    const float width = std::fmin(640 * u, l.bw - 24 * u);
    const float height = std::round(1.2f * l.line_height);
    const float middle = baseline - 0.35f * l.body_px;
    push_pill(r.screen_list, {l.bx + 12 * u, middle - height / 2, width, height}, CHAT_BOX_COLOR);
    const std::string_view head = "Say: ";
    const std::string_view typed(chat.text, chat.length < MAX_TEXT ? chat.length : MAX_TEXT);
    const size_t start = fitting_end(r, head, typed, "_", l.body_px, width - height);
    FixedText<16 + MAX_TEXT> text;
    text << head;
    if (start > 0) text << ELLIPSIS;
    text << typed.substr(start);
    if (caret_visible(time)) text << '_';
    draw_label(r, text.view(), l.bx + 12 * u + height / 2, baseline, {l.body_px, WHITE, l.shadow});
}

}  // namespace

HealthBar health_bar(const UiLayout& l, const Plane& plane, const Rules& rules, const HudValues& hud) {
    HealthBar bar;
    bar.x = std::round(l.bx + 12 * l.u);
    bar.y = std::round(l.by + 12 * l.u);
    bar.width = std::round(180 * l.u);
    bar.thickness = std::round(12 * l.u);
    const float maximum = rules.plane_health;
    bar.fraction = maximum > 0 ? clamp01(plane.health / maximum) : 1.0f;
    bar.trail = clamp01(hud.health_trail);
    return bar;
}

float notification_baseline(const UiLayout& l, int line_from_bottom, float pulse, bool chat_typing) {
    const float lift = chat_typing ? CHAT_LIFT : 0.0f;
    return l.by + l.bh - 12 * l.u - (static_cast<float>(line_from_bottom) - pulse + lift) * l.line_height;
}

bool caret_visible(float time) { return time - std::floor(time) < 0.5f; }

const Plane* local_plane(const InterfaceView& v) {
    if (!v.world || v.screen != Screen::Playing || !is_slot(v.local_slot)) return nullptr;
    const Plane& p = v.world->planes[v.local_slot];
    return p.in_use ? &p : nullptr;
}

void draw_hud(Renderer& r, const UiLayout& l, const InterfaceView& v) {
    if (!v.world || v.screen != Screen::Playing) return;
    const World& w = *v.world;
    const Plane* plane = local_plane(v);
    if (plane && v.hud) {
        const float below = draw_bars(r, l, *plane, w.rules, *v.hud);
        draw_counters(r, l, *plane, below);
    }
    if (w.winner != NONE) {
        draw_win_banner(r, l, w, v.local_slot, v.bot_mask, v.tutorial);
    } else if (plane) {
        draw_countdowns(r, l, v, w, *plane);
    }
}

// Notifications keep left of the minimap while it shows (else inside the
// box); a longer one wraps onto a second line, which is cut with "..." should
// it still be too long. Lines count up from the bottom.
void draw_messages(Renderer& r, const UiLayout& l, const InterfaceView& v) {
    const bool typing = v.chat && v.chat->typing && v.screen == Screen::Playing;
    if (typing) draw_chat_line(r, l, *v.chat, v.time);
    if (!v.notifications) return;
    const NotificationList& list = *v.notifications;
    const float x = l.bx + 12 * l.u;
    const bool minimap = minimap_visible(v.world, v.local_slot, v.screen == Screen::Playing, v.minimap_shown);
    const float right = minimap ? minimap_rect(l, v.world->size).x - 12 * l.u : l.bx + l.bw - 12 * l.u;
    const float room = right - x;
    const int count = list.count < MAX_NOTIFICATIONS ? list.count : MAX_NOTIFICATIONS;
    int line = 0;
    for (int i = 0; i < count; ++i) {
        const Notification& n = list.items[count - 1 - i];
        const size_t length = n.length < NOTIFICATION_TEXT ? static_cast<size_t>(n.length) : NOTIFICATION_TEXT;
        const std::string_view text(n.text, length);
        const TextStyle style = {l.body_px, n.colour, l.shadow, notification_alpha(n), true};
        const size_t wrap = wrap_point(r, text, l.body_px, room);
        if (wrap < text.size()) {
            std::string_view rest = text.substr(wrap);
            while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
            const size_t kept = fitting_start(r, rest, l.body_px, room);
            FixedText<NOTIFICATION_TEXT + 4> second;
            second << rest.substr(0, kept);
            if (kept < rest.size()) second << ELLIPSIS;
            draw_label(r, second.view(), x, notification_baseline(l, line++, list.pulse, typing), style);
        }
        std::string_view first = text.substr(0, wrap);
        while (!first.empty() && first.back() == ' ') first.remove_suffix(1);
        draw_label(r, first, x, notification_baseline(l, line++, list.pulse, typing), style);
    }
}
