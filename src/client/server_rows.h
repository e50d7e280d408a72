#pragma once
// The rows of the servers screen, top to bottom: the fixed and the added
// servers, the "Internet" heading with the registries' servers under it,
// "Add server" and "Back". The heading is never selected. At most
// SERVER_ROWS_SHOWN rows fit on the screen; a longer list shows the window
// of rows around the selection, which the keys, the clicks and the drawing
// all compute the same way.
#include <cstdint>

#include "client/server_list.h"

enum class RowKind : uint8_t { Server, Heading, AddServer, Back };

struct ServerRow {
    RowKind kind = RowKind::Back;
    uint8_t server = 0;  // the entry's position in the list, for Server rows
};

constexpr int SERVER_ROWS_SHOWN = 9;

// What the servers screen lists: the list's shape, and whether any registry
// is asked (then the heading shows even while it lists nobody).
struct ServerScreenShape {
    ServerListShape list;
    bool registries = false;
};

int server_row_count(const ServerScreenShape& shape);
ServerRow server_row(const ServerScreenShape& shape, int row);

// The window of rows on screen: its first row and how many it holds.
struct ShownRows {
    int first = 0;
    int count = 0;
};
ShownRows shown_rows(int rows, uint64_t selection);
