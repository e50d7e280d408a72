#pragma once
// The menu screens (main menu, servers, settings) and the leave dialog.
#include <cstdint>

#include "render/interface_view.h"
#include "render/layout.h"

struct Renderer;


// Title, rows (group 1) with their texts, and the footer.
void draw_menu_screen(Renderer& r, const UiLayout& l, const InterfaceView& v);

// The leave dialog: a panel with the question and the buttons "Stay" and
// "Leave" (group 4).
void draw_leave_dialog(Renderer& r, const UiLayout& l, bool tutorial, uint8_t selection);
