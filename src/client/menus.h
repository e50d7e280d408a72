#pragma once
// Keys on the three menu screens: the main menu, the server list and the
// settings. Up and Down move the highlight with wrap-around; Enter chooses.
#include "client/interface.h"
#include "client/keys.h"

struct ServerEntry;

// `server_count` is the number of entries in the server list.
Request menu_key(Interface& ui, int server_count, Key key);

// The word shown beside a server list entry: "checking..." until its status
// query has answered, then "online" (the drawing adds the player count and
// maximum), "different version" (and the server's version) or "offline".
const char* server_status_label(const ServerEntry& entry);
