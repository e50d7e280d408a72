#pragma once
// Keys on the game screen while the chat input is closed. Three takers, in
// the order the shell asks them (its key table): the leave dialog keeps every
// key while open; the open shop keeps every key but Tab; then the game
// screen itself.
#include "client/interface.h"
#include "client/keys.h"

struct Session;

// Left and Right toggle between "Stay" and "Leave"; Enter closes the dialog
// and, on "Leave", asks for the session to end; Esc closes it.
Request leave_dialog_key(LeaveDialog& dialog, Key key);

// The open shop: a digit buys that item; the arrows move over the grid of
// 4 above 3 items without wrapping; Enter buys the selected item; Esc closes.
// Every purchase request closes the shop, accepted or refused.
void shop_key(Interface& ui, Session& s, Key key);

// Tab still shows or hides the minimap while the shop is open.
inline bool shop_lets_through(Key key) { return key == KeyTab; }

// The game screen under its overlays: Tab toggles the minimap, T opens the
// chat input, Enter opens the shop, Esc asks whether to leave.
void playing_key(Interface& ui, Session& s, Key key);

// Asks the client to buy item `code` (1..7) with the session's world.
void buy_item(Interface& ui, Session& s, uint8_t code);
