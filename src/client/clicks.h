#pragma once
// A left click on the interface, at a point in framebuffer pixels: a menu
// item is chosen as if it were highlighted and Enter pressed; in the game,
// the leave dialog's buttons and the shop's cells answer.
#include "client/interface.h"
#include "client/layout.h"

struct Session;

Request interface_click(Interface& ui, Session& s, int server_count, const InterfaceBox& box, float px, float py);
