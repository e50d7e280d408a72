#pragma once
// Keys on the three menu screens: the main menu, the server list and the
// settings. Up and Down move the highlight with wrap-around; Enter chooses.
#include "client/interface.h"
#include "client/keys.h"

// `server_count` is the number of entries in the server list.
Request menu_key(Interface& ui, int server_count, Key key);
