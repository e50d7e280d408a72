#include "client/server_rows.h"

#include <algorithm>

namespace {

bool has_heading(const ServerScreenShape& shape) { return shape.registries || shape.list.internet > 0; }

}  // namespace

int server_row_count(const ServerScreenShape& shape) {
    const ServerListShape& l = shape.list;
    return l.fixed + l.added + (has_heading(shape) ? 1 : 0) + l.internet + 2;
}

ServerRow server_row(const ServerScreenShape& shape, int row) {
    const int rows = server_row_count(shape);
    if (row >= rows - 1) return {RowKind::Back};
    if (row == rows - 2) return {RowKind::AddServer};
    const int above = shape.list.fixed + shape.list.added;
    if (row < above) return {RowKind::Server, static_cast<uint8_t>(row)};
    if (!has_heading(shape)) return {RowKind::Server, static_cast<uint8_t>(row)};
    if (row == above) return {RowKind::Heading};
    return {RowKind::Server, static_cast<uint8_t>(row - 1)};
}

ShownRows shown_rows(int rows, uint64_t selection) {
    const int count = std::min(rows, SERVER_ROWS_SHOWN);
    // The selection sits in the middle of the window where the list allows.
    const int wanted = static_cast<int>(std::min<uint64_t>(selection, static_cast<uint64_t>(rows))) - count / 2;
    return {std::clamp(wanted, 0, rows - count), count};
}
