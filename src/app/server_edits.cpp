#include "app/server_edits.h"

#include <cstring>

#include "app/app.h"
#include "app/client_hooks.h"
#include "client/notifications.h"
#include "client/server_rows.h"

void add_typed_server(App& app) {
    const std::string_view text(app.address_input.text, app.address_input.length);
    char kept[MAX_TEXT];
    std::memcpy(kept, text.data(), text.size());
    const std::string_view typed(kept, text.size());
    close_chat(app.address_input);
    if (typed.find_first_not_of(' ') == std::string_view::npos) return;

    NotificationList& list = app.session.notifications;
    const AddResult result = add_player_server(app.servers, typed);
    switch (result.outcome) {
    case AddOutcome::Added:
        app.kept.servers_changed = true;
        // The added and fixed servers are the first rows, one each.
        app.menu_selection = static_cast<uint64_t>(result.position);
        start_status_queries(app);
        break;
    case AddOutcome::Failed: notify(list, REFUSAL_COLOUR, {"Can't find server '", typed, "': ", result.error}); break;
    case AddOutcome::Duplicate: notify(list, REFUSAL_COLOUR, {typed, " is in the list already"}); break;
    case AddOutcome::Full: notify(list, REFUSAL_COLOUR, {"The list is full: delete a server first"}); break;
    }
}

void remove_server(App& app, uint8_t position) {
    if (!remove_player_server(app.servers, position)) return;
    app.kept.servers_changed = true;
    // The selection stays on the row that took the removed one's place,
    // unless that is the Internet heading: then it moves up.
    const ServerScreenShape shape = server_screen_shape(app);
    if (server_row(shape, static_cast<int>(app.menu_selection)).kind == RowKind::Heading) --app.menu_selection;
}
