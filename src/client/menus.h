#pragma once
// Keys on the three menu screens: the main menu, the server list and the
// settings. Up and Down move the highlight with wrap-around; Enter chooses.
#include "client/interface.h"
#include "client/keys.h"
#include "client/server_rows.h"

// On the servers screen Up and Down pass over the "Internet" heading, Enter
// on "Add server" opens the address input, and Delete removes a server the
// player added.
Request menu_key(Interface& ui, const ServerScreenShape& servers, Key key);

// Keys while the "Add server" line is open: Backspace removes the last
// character, Esc closes the line, Enter asks the shell to add its text.
Request address_input_key(Interface& ui, Key key);

// The word shown beside a server list entry: "checking..." until its status
// query has answered, then "online" (the drawing adds the player count and
// maximum), "different version" (and the server's version) or "offline".
const char* server_status_label(const ServerEntry& entry);
