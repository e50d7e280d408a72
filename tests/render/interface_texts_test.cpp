// The interface's texts as its drawing lays them out (the frame's label
// list, no pixels): the words each screen and overlay shows, that they stay
// inside their boxes, and that the HUD keeps off an open overlay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gl_recorder.h"
#include "render/interface_frame.h"
#include "render/minimap.h"
#include "render/renderer.h"
#include "screenshots/interface_scenes.h"

namespace {

struct Size {
    int width, height;
    float scale;
};
// The window shapes a player meets, from the smallest the issue names to a
// doubled display.
constexpr Size SIZES[] = {{640, 360, 1}, {960, 540, 1.5f}, {1280, 720, 1}, {1280, 720, 2}, {2560, 1440, 2}};

std::string describe(const Size& s) {
    return std::to_string(s.width) + "x" + std::to_string(s.height) + " at " + std::to_string(s.scale);
}

bool inside(const Rect& inner, const Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

class InterfaceTexts : public ::testing::Test {
protected:
    static Renderer* r;
    std::unique_ptr<InterfaceScene> scene = std::make_unique<InterfaceScene>();
    Size size = {1280, 720, 1};

    static void SetUpTestSuite() {
        install_fake_gl();
        r = new Renderer;
        ASSERT_EQ(create_renderer(*r), StartupError::None);
    }
    static void TearDownTestSuite() {
        install_fake_gl();
        destroy_renderer(*r);
        delete r;
    }
    void SetUp() override { install_fake_gl(); }

    void build(std::string_view name) {
        for (int i = 0; i < INTERFACE_SCENE_COUNT; ++i) {
            if (INTERFACE_SCENES[i].name == name) {
                INTERFACE_SCENES[i].build(r->copy, *scene);
                return;
            }
        }
        FAIL() << "no scene " << name;
    }
    Plane& local() { return r->copy.world.planes[0]; }
    void lay_out() {
        scene->view.display_scale = size.scale;
        fake_gl.calls.clear();
        draw_interface(*r, scene->view, size.width, size.height);
    }
    UiLayout layout() const {
        return ui_layout(static_cast<float>(size.width), static_cast<float>(size.height), size.scale);
    }
    std::span<const LabelRecord> labels() const { return {r->labels.items, static_cast<size_t>(r->labels.count)}; }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const LabelRecord& l : labels()) t.emplace_back(l.view());
        return t;
    }
    const LabelRecord* label_starting(std::string_view start) const {
        for (int i = 0; i < r->labels.count; ++i) {
            if (r->labels.items[i].view().substr(0, start.size()) == start) return &r->labels.items[i];
        }
        return nullptr;
    }
};

Renderer* InterfaceTexts::r = nullptr;

// The menus' footer: the game's version (project() in CMakeLists.txt) and the
// protocols it plays online with.
constexpr const char* FOOTER = "skorvia 0.1 \u00b7 online protocols 20 and 21";

// Every screen's and overlay's words, exactly as the player reads them.
TEST_F(InterfaceTexts, EachSceneShowsItsTexts) {
    const struct {
        const char* scene;
        std::vector<std::string> texts;
    } cases[] = {
        {"ui_main_menu", {"skorvia", "Connect to server", "Tutorial", "Settings", "Exit", FOOTER}},
        {"ui_servers",
         {"Servers", "localhost:7777", "checking...", "play.example.org:7777", "online, 3/8 players",
          "different version (v19)", "offline", "Back", FOOTER}},
        {"ui_settings", {"Settings", "Volume", "< 70% >", "Resolution", "< 1600x900 >", "Display", "< Windowed >", "Back"}},
        {"ui_game", {"84 / 150", "12", "8", "5", "3", "Player 3 joined", "Player 5: meet you at the station"}},
        {"ui_shop",
         {"Shop", "Turret", "Shield", "Radar", "Minimap", "Sun shield", "Upgrade station", "Exit vessel", "[1]", "[7]",
          "Owned", "20 each", "50", "Enter to buy, Esc to close"}},
        {"ui_leave_game", {"Leave the game?", "Stay", "Leave"}},
        {"ui_leave_tutorial", {"Leave the tutorial?", "Stay", "Leave", "Stealing collectors."}},
        {"ui_respawn", {"Respawning in 4", "0 / 150", "You were destroyed by player 3"}},
        {"ui_boarding", {"Boarding: stay inside 4"}},
        {"ui_missing", {"You need 15 of each resource to win", "Missing:", "6", "12"}},
        {"ui_win_local", {"You win!", "New game in 28"}},
        {"ui_win_other", {"Player 4 wins", "New game in 28"}},
        {"ui_tutorial_3", {"You have enough resources to buy something.", "Press Enter to open the shop, and pick something."}},
        {"ui_tutorial_9", {"You won! That's everything.", "You win!", "Starting over in 25"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.scene);
        build(c.scene);
        lay_out();
        const std::vector<std::string> shown = texts();
        for (const std::string& t : c.texts) {
            EXPECT_NE(std::find(shown.begin(), shown.end(), t), shown.end()) << "missing \"" << t << "\"";
        }
    }
    // The chat line: the prefix, the text, and the caret in the first half of a second.
    build("ui_chat");
    scene->view.time = 0.25f;
    lay_out();
    const LabelRecord* say = label_starting("Say: ");
    ASSERT_NE(say, nullptr);
    EXPECT_EQ(say->view(), "Say: it's up and to the right, past the big planet_");
}

// The line being typed stays inside its pill: a long one shows its end, the
// part being typed, after "Say: ...".
TEST_F(InterfaceTexts, TheChatLineShowsItsEndInsideItsPill) {
    for (const Size& s : SIZES) {
        SCOPED_TRACE(describe(s));
        size = s;
        // 80 bytes of wide letters, and of narrow ones ending in a two-byte character.
        for (const std::string& typed : {std::string(79, 'W') + "M", std::string(78, 'm') + "é"}) {
            build("ui_chat");
            ASSERT_EQ(typed.size(), MAX_TEXT);
            std::memcpy(scene->chat.text, typed.data(), typed.size());
            scene->chat.length = static_cast<uint8_t>(typed.size());
            scene->view.time = 0.25f;
            lay_out();
            const LabelRecord* say = label_starting("Say: ...");
            ASSERT_NE(say, nullptr);
            const std::string_view shown = say->view();
            const std::string_view typed_view = typed;
            const std::string_view tail = shown.substr(8, shown.size() - 9);  // between "Say: ..." and "_"
            EXPECT_EQ(typed_view.substr(typed_view.size() - tail.size()), tail);
            EXPECT_GT(tail.size(), 10u);
            EXPECT_GT(say->ink.w, 0);  // drawn: the cut kept whole characters
            const UiLayout l = layout();
            const float pill_right = l.bx + 12 * l.u + std::fmin(640 * l.u, l.bw - 24 * l.u);
            EXPECT_LE(say->ink.x + say->ink.w, pill_right);
        }
    }
    // A line that fits is shown whole.
    build("ui_chat");
    scene->view.time = 0.75f;
    lay_out();
    ASSERT_NE(label_starting("Say: "), nullptr);
    EXPECT_EQ(label_starting("Say: ")->view(), "Say: it's up and to the right, past the big planet");
}

// A server's name gives way to "..." before its status; a short one is
// shown whole.
TEST_F(InterfaceTexts, ALongServerNameIsShortenedBeforeItsStatus) {
    std::string longest(MAX_SERVER_TEXT - 6, 'm');
    longest += ":7777";
    std::string accented;
    while (accented.size() + 2 <= MAX_SERVER_TEXT) accented += "é";
    for (const Size& s : SIZES) {
        SCOPED_TRACE(describe(s));
        size = s;
        for (const std::string* name : {&longest, &accented}) {
            build("ui_servers");
            scene->view.servers[1].name = *name;
            lay_out();
            const LabelRecord* shown = label_starting(name->substr(0, 4));
            const LabelRecord* status = label_starting("online");
            ASSERT_NE(shown, nullptr);
            ASSERT_NE(status, nullptr);
            EXPECT_EQ(shown->view().substr(shown->view().size() - 3), "...");
            EXPECT_EQ(name->substr(0, shown->view().size() - 3), shown->view().substr(0, shown->view().size() - 3));
            EXPECT_GT(shown->ink.w, 0);  // cut between characters, so drawn
            EXPECT_LT(shown->ink.x + shown->ink.w, status->ink.x);
            EXPECT_TRUE(inside(status->ink, menu_item_rect(layout().box, server_row_count(scene->view.server_shape), 1)));
        }
        build("ui_servers");
        lay_out();
        EXPECT_NE(label_starting("play.example.org:7777"), nullptr);
        EXPECT_EQ(label_starting("play.example.org:7777")->view(), "play.example.org:7777");
    }
}

// The footer sits inside the box, at any window size, on every menu screen,
// clear of every other text.
TEST_F(InterfaceTexts, TheFooterFitsTheBoxBesideTheMenu) {
    for (const Size& s : SIZES) {
        size = s;
        for (const char* screen : {"ui_main_menu", "ui_servers_internet", "ui_settings"}) {
            SCOPED_TRACE(describe(s) + " " + screen);
            build(screen);
            lay_out();
            const UiLayout l = layout();
            const LabelRecord* footer = label_starting("skorvia ");
            ASSERT_NE(footer, nullptr);
            EXPECT_EQ(footer->view(), FOOTER);
            EXPECT_GT(footer->ink.w, 0);
            EXPECT_TRUE(inside(footer->ink, {l.bx, l.by, l.bw, l.bh}));
            for (const LabelRecord& other : labels()) {
                if (&other == footer) continue;
                EXPECT_FALSE(overlaps(other.ink, footer->ink)) << other.view();
            }
        }
    }
}

// Notifications keep left of the minimap: a long one wraps onto a second
// line (each line whole words), and nothing reaches the minimap's box.
TEST_F(InterfaceTexts, NotificationsKeepLeftOfTheMinimap) {
    const std::string text =
        "Player 4: the long way round passes the sun, the upgrade station and both planets, twice!";
    ASSERT_LE(text.size(), NOTIFICATION_TEXT);
    for (const Size& s : SIZES) {
        SCOPED_TRACE(describe(s));
        size = s;
        build("ui_game");
        ASSERT_TRUE(minimap_visible(scene->view.world, 0, true, true));
        notify(scene->notifications, INFO_COLOUR, {text});
        lay_out();
        const Rect minimap = minimap_rect(layout(), r->copy.world.size);
        for (const LabelRecord& l : labels()) EXPECT_FALSE(overlaps(l.ink, minimap)) << l.view();
        // The newest notification's lines, top to bottom, read as the text.
        const LabelRecord* first = nullptr;
        const LabelRecord* second = nullptr;
        for (const LabelRecord& l : labels()) {
            const size_t at = l.view().size() > 3 ? text.find(std::string(l.view())) : std::string::npos;
            if (at == 0) {
                first = &l;
            } else if (at != std::string::npos) {
                second = &l;
            }
        }
        ASSERT_NE(first, nullptr);
        if (first->view().size() == text.size()) continue;  // fits on one line at this size
        ASSERT_NE(second, nullptr);
        EXPECT_EQ(std::string(first->view()) + " " + std::string(second->view()), text);
        EXPECT_LT(first->baseline, second->baseline);
    }
}

// While the shop or the leave dialog is open, no HUD text lies over it: the
// respawn countdown moves above the dialog, and whatever the shop would
// cover is not drawn.
TEST_F(InterfaceTexts, HudTextsKeepOffAnOpenOverlay) {
    const struct {
        const char* scene;
        bool shop;  // else the leave dialog
    } cases[] = {
        {"ui_respawn", false}, {"ui_respawn", true},  {"ui_win_other", true}, {"ui_win_local", false},
        {"ui_boarding", true}, {"ui_missing", true},  {"ui_tutorial_4", true}, {"ui_tutorial_9", true},
        {"ui_chat", true},     {"ui_game", false},
    };
    for (const Size& s : SIZES) {
        size = s;
        for (const auto& c : cases) {
            SCOPED_TRACE(describe(s) + " " + c.scene + (c.shop ? " with the shop" : " with the dialog"));
            build(c.scene);
            scene->chat.typing = false;  // the chat line and the overlays don't meet
            if (c.shop) {
                scene->view.shop = {true, 0};
            } else {
                scene->view.leave_dialog = {true, 0};
            }
            lay_out();
            const Rect overlay = c.shop ? shop_panel_rect(layout().box) : leave_dialog_rect(layout().box);
            // The HUD's labels come first; the overlay's own start with its title.
            for (const LabelRecord& l : labels()) {
                if (l.view() == "Shop" || l.view().starts_with("Leave the ")) break;
                EXPECT_FALSE(overlaps(l.ink, overlay)) << l.view();
            }
            if (std::string_view(c.scene) == "ui_respawn" && !c.shop) {
                ASSERT_NE(label_starting("Respawning in 4"), nullptr);  // moved, not hidden
                EXPECT_LT(label_starting("Respawning in 4")->ink.y, overlay.y);
            }
        }
    }
}

// The shop and the leave dialog fit the box with their margin at any window
// size, their texts inside them; where they fit anyway they keep the
// display's scale.
TEST_F(InterfaceTexts, OverlaysFitTheBoxWithTheirTextsInside) {
    for (const Size& s : SIZES) {
        SCOPED_TRACE(describe(s));
        size = s;
        const UiLayout l = layout();
        const Rect box = {l.bx, l.by, l.bw, l.bh};
        for (bool shop : {true, false}) {
            build(shop ? "ui_shop" : "ui_leave_game");
            lay_out();
            const Rect panel = shop ? shop_panel_rect(l.box) : leave_dialog_rect(l.box);
            const float scale = shop ? shop_scale(l.box) : leave_dialog_scale(l.box);
            EXPECT_LE(scale, l.u);
            const float margin = 12 * scale - 1;  // the corner is rounded to a whole pixel
            EXPECT_TRUE(inside({panel.x - margin, panel.y - margin, panel.w + 2 * margin, panel.h + 2 * margin}, box));
            int in_panel = 0;
            for (const LabelRecord& label : labels()) {
                if (!overlaps(label.ink, panel)) continue;
                ++in_panel;
                EXPECT_TRUE(inside(label.ink, panel)) << label.view();
            }
            EXPECT_GE(in_panel, shop ? 23 : 3);
            for (int k = 0; shop && k < SHOP_ITEMS; ++k) EXPECT_TRUE(inside(shop_cell_rect(l.box, k), panel));
            for (uint8_t b = 0; !shop && b < 2; ++b) EXPECT_TRUE(inside(leave_button_rect(l.box, b), panel));
        }
    }
    const UiLayout roomy = ui_layout(1280, 720, 1);
    EXPECT_EQ(shop_scale(roomy.box), 1.0f);
    EXPECT_EQ(leave_dialog_scale(roomy.box), 1.0f);
    // 640 x 360: the shop's 441 + 24 units are 360 pixels high.
    const UiLayout small = ui_layout(640, 360, 1);
    EXPECT_FLOAT_EQ(shop_scale(small.box), 360.0f / 465);
}

}  // namespace
