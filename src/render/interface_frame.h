#pragma once
// The screen-space layer of a frame: the HUD, the menus, the minimap, the
// shop and the leave dialog, as screen capsules in four groups under their
// scissors, and all their text.
#include "render/interface_view.h"

struct Renderer;

// Fills the screen list, its groups and scissors and the frame's glyph list
// for a framebuffer of the given size; draw_frame then draws them after the
// world, the text last of all.
void draw_interface(Renderer& r, const InterfaceView& v, int fb_width, int fb_height);
