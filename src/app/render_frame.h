#pragma once
// The shell's glue into the interface drawing: what the frame reads from the
// App, gathered into the drawing's own view record.
#include <cstdint>

#include "render/interface_view.h"

struct App;

// The shop cells for the buyer's plane: the prices under the rules, and what
// each shows (for a player who is not joined, or whose plane is absent or
// destroyed, every cost as out of reach).
void fill_shop_cells(ShopCellView cells[SHOP_ITEMS], const World& w, uint8_t buyer_slot);

// Everything the interface drawing reads this frame.
void fill_interface_view(InterfaceView& v, const App& app, float display_scale);
