#pragma once
// The shop window: a panel with seven cells, each with a small drawing of the
// item, its name, its price (or "Owned", "Needs radar") and its key.
#include <cstdint>

#include "render/capsules.h"
#include "render/interface_view.h"
#include "render/layout.h"

struct Renderer;

constexpr const char* SHOP_ITEM_NAMES[SHOP_ITEMS] = {"Turret",     "Shield",          "Radar",      "Minimap",
                                                      "Sun shield", "Upgrade station", "Exit vessel"};

// The panel, the cells and their drawings (group 3, under the panel's
// scissor) and their texts. `owner` is the colour the player's own things
// are drawn in.
void draw_shop(Renderer& r, const UiLayout& l, const InterfaceView& v, Color owner);

// The small drawing of item k (0..6) around `centre`, the size of a cell's
// upper part.
void push_item_drawing(CapsuleList& list, int k, Vec2 centre, float u, Color owner);
