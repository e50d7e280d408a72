#pragma once
// What a protocol 20 client is sent: the whole world in a Snapshot on every
// second tick. Nothing in protocol 20 proves a sender's address, and a
// snapshot is about a hundred times what a client sends, so a host on an
// open network serves it only when asked to.
#include "server/session_state.h"

void send_snapshot(ServerSession& session, const PlayerSlot& slot);
