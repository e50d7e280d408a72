#pragma once
// The interface's colours (straight RGBA).
#include "base/color.h"

constexpr Color PANEL_COLOR = {0.04f, 0.05f, 0.09f, 0.75f};
constexpr Color ROW_PANEL_COLOR = {0.04f, 0.05f, 0.09f, 0.92f};
constexpr Color CHAT_BOX_COLOR = {0.12f, 0.14f, 0.22f, 0.85f};
constexpr Color TEXT_COLOR = {0.85f, 0.85f, 0.9f, 1};
constexpr Color HIGHLIGHT_COLOR = {0.85f, 0.9f, 1, 1};
constexpr Color CELL_OUTLINE_COLOR = {0.35f, 0.4f, 0.55f, 0.6f};
constexpr Color FRAME_COLOR = {0.4f, 0.45f, 0.6f, 0.8f};
constexpr Color WARNING_COLOR = {1, 0.4f, 0.35f, 1};
constexpr Color UI_GOLD_COLOR = {1, 0.85f, 0.45f, 1};
constexpr Color BOARDING_TEXT_COLOR = {1, 0.88f, 0.55f, 1};
constexpr Color FOOTER_COLOR = {0.45f, 0.48f, 0.58f, 1};
constexpr Color WHITE = {1, 1, 1, 1};
constexpr Color SHADOW_COLOR = {0, 0, 0, 0.75f};
// Under HUD texts: dark enough over pure white that the dimmest HUD colour
// (the refusal red) keeps a contrast above 4.5 to it.
constexpr Color HUD_BACKING_COLOR = {0.02f, 0.025f, 0.05f, 0.88f};
// The counters' colours: the three planet resources, then the sun's.
constexpr Color COUNTER_COLORS[4] = {RESOURCE_COLORS[0], RESOURCE_COLORS[1], RESOURCE_COLORS[2], {1, 0.7f, 0.2f, 1}};
