#pragma once
// The minimap: the whole world in a small box at the bottom-right corner of
// the view, with the bodies and their orbit rings, the structures and the
// planes. Drawn as the second screen group, under the box's own scissor.
#include "render/capsules.h"
#include "render/layout.h"
#include "world/world.h"

constexpr Color MINIMAP_BACKGROUND = {0.04f, 0.05f, 0.09f, 0.75f};

// Whether the minimap is shown: on the playing screen, to a player whose
// plane is present and owns one, with the minimap setting on.
bool minimap_visible(const World* w, uint8_t local_slot, bool on_playing_screen, bool minimap_shown);

// Appends the minimap of `w` inside `box` (k = box width / world width).
void push_minimap(CapsuleList& list, const World& w, uint8_t local_slot, const Rect& box, float u);
