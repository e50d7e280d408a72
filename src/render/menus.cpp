#include "render/menus.h"

#include <cmath>
#include <string_view>

#include "base/fixed_text.h"
#include "base/game_version.h"
#include "net/wire.h"
#include "client/clicks.h"
#include "render/labels.h"
#include "render/panels.h"
#include "render/renderer.h"
#include "render/text.h"
#include "render/text_fit.h"
#include "render/ui_colors.h"

namespace {

constexpr Color ONLINE_COLOR = {0.5f, 1, 0.55f, 1};
constexpr float ROW_INSET = 24;  // a split row's texts from its ends
constexpr float STATUS_GAP = 16;  // at least this between a server's name and its status

struct Row {
    Rect rect;
    bool selected;
};

Row place_row(const UiLayout& l, const InterfaceView& v, int count, int k) {
    Rect rect;
    menu_row_rect(l.box, v.screen, count, v.menu_selection, k, rect);
    return {rect, v.menu_selection == static_cast<uint64_t>(k)};
}

// The pill, and the outline of the selected one (group 1).
Row push_row(Renderer& r, const UiLayout& l, const InterfaceView& v, int count, int k) {
    const Row row = place_row(l, v, count, k);
    push_pill(r.screen_list, row.rect, ROW_PANEL_COLOR);
    if (row.selected) push_pill_outline(r.screen_list, row.rect, l.u, HIGHLIGHT_COLOR);
    return row;
}

float row_baseline(const Row& row, float px) { return row.rect.y + row.rect.h / 2 + 0.35f * px; }

TextStyle row_style(const UiLayout& l, const Row& row) {
    return {l.body_px, row.selected ? HIGHLIGHT_COLOR : TEXT_COLOR, l.shadow};
}

// A row with one text in its middle.
void draw_centred_row(Renderer& r, const UiLayout& l, const Row& row, std::string_view text) {
    draw_label_centred(r, text, row.rect.x + row.rect.w / 2, row_baseline(row, l.body_px), row_style(l, row));
}

// A row with a label on the left and its value on the right.
void draw_split_row(Renderer& r, const UiLayout& l, const Row& row, std::string_view label, std::string_view value,
                    const TextStyle& value_style) {
    const float inset = ROW_INSET * l.u;
    draw_label(r, label, row.rect.x + inset, row_baseline(row, l.body_px), row_style(l, row));
    draw_label_right(r, value, row.rect.x + row.rect.w - inset, row_baseline(row, value_style.px), value_style);
}

void draw_title(Renderer& r, const UiLayout& l, int laid_out, std::string_view title, float px) {
    const Rect first = menu_item_rect(l.box, laid_out, 0);
    draw_label_centred(r, title, l.bx + l.bw / 2, first.y - 36 * l.u, {px, TEXT_COLOR, 2 * l.shadow});
}

// What the game is and which protocols it can play online with:
// "skorvia <version> · online protocols 20 and 21".
void draw_footer(Renderer& r, const UiLayout& l) {
    FixedText<64> text;
    text << "skorvia " << GAME_VERSION << " \u00b7 online protocols " << PROTOCOL_VERSION << " and "
         << PROTOCOL_VERSION_21;
    draw_label_right(r, text.view(), l.bx + l.bw - 12 * l.u, l.by + l.bh - 12 * l.u,
                     {std::round(12 * l.u), FOOTER_COLOR, l.shadow});
}

void draw_main_menu(Renderer& r, const UiLayout& l, const InterfaceView& v) {
    draw_title(r, l, MAIN_MENU_ITEMS, "skorvia", std::round(48 * l.u));
    for (int k = 0; k < MAIN_MENU_ITEMS; ++k) {
        draw_centred_row(r, l, push_row(r, l, v, MAIN_MENU_ITEMS, k), MAIN_MENU_LABELS[k]);
    }
}

// "checking...", "offline", "online, 3/8 players", "different version (v19)".
void server_status(const ServerRowView& s, FixedText<48>& text, Color& color) {
    switch (s.status) {
    case ServerStatus::NotQueried:
    case ServerStatus::Checking:
        text << "checking...";
        color = FOOTER_COLOR;
        break;
    case ServerStatus::Unreachable:
        text << "offline";
        color = WARNING_COLOR;
        break;
    case ServerStatus::Answered:
        if (s.result.compatible) {
            text << "online, " << s.result.players << '/' << s.result.max_players << " players";
            color = ONLINE_COLOR;
        } else {
            // A reply that named no version of its own shows none.
            text << "different version";
            if (s.result.version != 0) text << " (v" << s.result.version << ')';
            color = UI_GOLD_COLOR;
        }
        break;
    }
}

void draw_server_row(Renderer& r, const UiLayout& l, const InterfaceView& v, const Row& row, int server) {
    if (server >= v.server_count) return;
    FixedText<48> status;
    Color color = TEXT_COLOR;
    server_status(v.servers[server], status, color);
    const TextStyle status_style = {std::round(14 * l.u), color, l.shadow};
    // A long name gives way to "..." before it reaches the status.
    const std::string_view name = shown_server_name(v.servers[server]);
    const float room = row.rect.w - 2 * ROW_INSET * l.u - measure_text(r, status.view(), status_style.px) -
                       STATUS_GAP * l.u;
    const size_t kept = fitting_start(r, name, l.body_px, room);
    FixedText<MAX_SERVER_TEXT + 4> shown;
    shown << name.substr(0, kept);
    if (kept < name.size()) shown << ELLIPSIS;
    draw_split_row(r, l, row, shown.view(), status.view(), status_style);
}

// The "Internet" heading: no pill, it is never selected.
void draw_heading(Renderer& r, const UiLayout& l, const InterfaceView& v, const Row& row) {
    const float baseline = row_baseline(row, l.body_px);
    const float x = row.rect.x + 24 * l.u;
    draw_label(r, "Internet", x, baseline, {l.body_px, UI_GOLD_COLOR, l.shadow});
    if (v.server_shape.list.internet == 0 && !v.internet_note.empty()) {
        draw_label_right(r, v.internet_note, row.rect.x + row.rect.w - 24 * l.u, baseline,
                         {std::round(14 * l.u), FOOTER_COLOR, l.shadow});
    }
}

// "Add server", or the line being typed with its caret.
void draw_add_row(Renderer& r, const UiLayout& l, const InterfaceView& v, const Row& row) {
    if (!v.address_input || !v.address_input->typing) {
        draw_centred_row(r, l, row, "Add server");
        return;
    }
    const float inset = 24 * l.u;
    const float baseline = row_baseline(row, l.body_px);
    FixedText<MAX_TEXT + 4> typed;
    typed << std::string_view(v.address_input->text, v.address_input->length) << '|';
    draw_label(r, typed.view(), row.rect.x + inset, baseline, row_style(l, row));
    if (v.address_input->length == 0) {
        draw_label_right(r, "host or host:port", row.rect.x + row.rect.w - inset, baseline,
                         {std::round(14 * l.u), FOOTER_COLOR, l.shadow});
    }
}

void draw_server_list(Renderer& r, const UiLayout& l, const InterfaceView& v) {
    const int count = server_row_count(v.server_shape);
    const ShownRows shown = shown_rows(count, v.menu_selection);
    draw_title(r, l, shown.count, "Servers", std::round(32 * l.u));
    for (int k = shown.first; k < shown.first + shown.count; ++k) {
        const ServerRow kind = server_row(v.server_shape, k);
        if (kind.kind == RowKind::Heading) {
            draw_heading(r, l, v, place_row(l, v, count, k));
            continue;
        }
        const Row row = push_row(r, l, v, count, k);
        switch (kind.kind) {
        case RowKind::Server: draw_server_row(r, l, v, row, kind.server); break;
        case RowKind::AddServer: draw_add_row(r, l, v, row); break;
        case RowKind::Back: draw_centred_row(r, l, row, "Back"); break;
        case RowKind::Heading: break;
        }
    }
}

void draw_settings(Renderer& r, const UiLayout& l, const InterfaceView& v) {
    draw_title(r, l, SETTINGS_ITEMS, "Settings", std::round(32 * l.u));
    FixedText<24> volume;
    volume << "< " << v.volume << "%" << " >";
    FixedText<32> resolution;
    resolution << "< " << v.resolution_width << "x" << v.resolution_height << " >";
    const std::string_view display = v.borderless_fullscreen ? "< Borderless fullscreen >" : "< Windowed >";
    constexpr std::string_view SKILLS[BOT_SKILLS] = {"< Easy >", "< Normal >", "< Hard >"};
    const std::string_view bots = SKILLS[static_cast<int>(v.bot_skill) % BOT_SKILLS];
    const std::string_view values[SettingsBack] = {volume.view(), resolution.view(), display, bots};
    for (int k = 0; k < SettingsBack; ++k) {
        const Row row = push_row(r, l, v, SETTINGS_ITEMS, k);
        draw_split_row(r, l, row, SETTINGS_LABELS[k], values[k], row_style(l, row));
    }
    draw_centred_row(r, l, push_row(r, l, v, SETTINGS_ITEMS, SettingsBack), SETTINGS_LABELS[SettingsBack]);
}

}  // namespace

std::string_view shown_server_name(const ServerRowView& row) {
    if (row.status == ServerStatus::Answered && row.result.name_length > 0) {
        return {row.result.name, row.result.name_length};
    }
    return row.listed_name.empty() ? row.name : row.listed_name;
}

void draw_menu_screen(Renderer& r, const UiLayout& l, const InterfaceView& v) {
    switch (v.screen) {
    case Screen::MainMenu: draw_main_menu(r, l, v); break;
    case Screen::ServerList: draw_server_list(r, l, v); break;
    case Screen::Settings: draw_settings(r, l, v); break;
    case Screen::Playing: return;
    }
    draw_footer(r, l);
}

void draw_leave_dialog(Renderer& r, const UiLayout& l, bool tutorial, uint8_t selection) {
    const float u = l.u;
    const Rect panel = leave_dialog_rect(l.box);
    push_pill(r.screen_list, panel, ROW_PANEL_COLOR);
    push_pill_outline(r.screen_list, panel, 0.5f * u, FRAME_COLOR);
    const std::string_view question = tutorial ? "Leave the tutorial?" : "Leave the game?";
    draw_label_centred(r, question, panel.x + panel.w / 2, panel.y + 54 * u,
                       {std::round(20 * u), TEXT_COLOR, l.shadow});
    const std::string_view buttons[2] = {"Stay", "Leave"};
    for (int b = 0; b < 2; ++b) {
        const Rect rect = leave_button_rect(l.box, b);
        const bool selected = selection == b;
        push_pill(r.screen_list, rect, CHAT_BOX_COLOR);
        if (selected) push_pill_outline(r.screen_list, rect, u, HIGHLIGHT_COLOR);
        draw_label_centred(r, buttons[b], rect.x + rect.w / 2, rect.y + rect.h / 2 + 0.35f * l.body_px,
                           {l.body_px, selected ? HIGHLIGHT_COLOR : TEXT_COLOR, l.shadow});
    }
}
