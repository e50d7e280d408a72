#pragma once
// The in-game HUD: health and shield bars, resource counters, the missing
// resources panel, the respawn and boarding countdowns and the win banner;
// and, on every screen, the notifications and the chat line.
#include "render/interface_view.h"
#include "render/layout.h"

struct Renderer;

// The health bar's geometry and fractions, for drawing and for tests.
struct HealthBar {
    float x, y;         // top-left, whole pixels
    float width;        // round(180 u)
    float thickness;    // round(12 u)
    float fraction;     // the real health fraction, 0..1
    float trail;        // the lagging fraction shown behind it
};

// The bar for a plane's health (the trail from the HUD values).
HealthBar health_bar(const UiLayout& l, const Plane& plane, const Rules& rules, const HudValues& hud);

// The baseline of the notifications' line `line_from_bottom` (0 = the
// newest's last line; a notification takes one line, or two when it wraps).
float notification_baseline(const UiLayout& l, int line_from_bottom, float pulse, bool chat_typing);

// Whether the chat caret shows at this animation time (the first half of
// every second).
bool caret_visible(float time);

// The local plane, when the view shows a game with one present.
const Plane* local_plane(const InterfaceView& v);

// Bars, counters and their labels, the missing panel, the countdowns and
// the banner (group 1 and text). Draws nothing outside a game.
void draw_hud(Renderer& r, const UiLayout& l, const InterfaceView& v);

// Notifications and, while typing, the chat line (its box in group 1).
void draw_messages(Renderer& r, const UiLayout& l, const InterfaceView& v);
