#pragma once
// A left click on the interface, at a point in framebuffer pixels: a menu
// item is chosen as if it were highlighted and Enter pressed; in the game,
// the leave dialog's buttons and the shop's cells answer.
#include "client/interface.h"
#include "client/layout.h"
#include "client/server_rows.h"

struct Session;

Request interface_click(Interface& ui, Session& s, const ServerScreenShape& servers, const InterfaceBox& box, float px,
                        float py);

// Where row `row` of a menu of `count` rows is drawn: on the servers screen
// only the rows of the shown window have a place (false for the others).
bool menu_row_rect(const InterfaceBox& box, Screen screen, int count, uint64_t selection, int row, Rect& rect);
