// The whole program played through its interface: keys, typed text and
// clicks are pushed into the platform's event queue and handled by the real
// main loop (offscreen video, dummy audio). The flight controls are read
// from the keyboard state, which pushed events do not change, so the test
// holds keys through the App's keyboard reader.
#include <gtest/gtest.h>

#include <SDL3/SDL_events.h>
#include <SDL3/SDL_keyboard.h>
#include <SDL3/SDL_mouse.h>
#include <SDL3/SDL_scancode.h>
#include <SDL3/SDL_timer.h>
#include <SDL3/SDL_video.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/app_script.h"
#include "client/layout.h"
#include "client/menus.h"
#include "server/server_session.h"
#include "server/tutorial.h"

#ifdef SKORVIA_SERVER_BINARY
#include <signal.h>

#include "support/server_process.h"
#endif

namespace {

// --- the tutorial ----------------------------------------------------------

ServerSession& tutorial_server(App& app) { return *app.session.link.session; }
bool in_tutorial(App& app) { return app.session.active && app.session.tutorial && app.session.link.session; }

TEST(PlayThrough, TheTutorialFlownWithHeldKeysAndLeftWithAClick) {
    hold_only({});
    uint8_t stored_selection = 0xFF;
    std::string title;
    Script script;
    script.stages = {
        {"main menu", always,
         [](App& app) {
             app.read_keyboard = test_keyboard;
             push_key(SDL_SCANCODE_DOWN);
             push_key(SDL_SCANCODE_DOWN, true);  // held: moves once
             push_key(SDL_SCANCODE_RETURN);      // "Tutorial"
         }},
        {"joined the tutorial",
         [](App& app) {
             const ClientSession& c = app.session.client;
             return app.screen == Screen::Playing && in_tutorial(app) && c.state == ConnectionState::Joined &&
                    c.world.planes[c.own_slot].in_use;
         },
         [&](App& app) {
             title = title_of(app);
             hold_only({SDL_SCANCODE_LEFT});
         }},
        {"turned left", [](App& app) { return tutorial_server(app).tutorial.turned_left; },
         [](App&) { hold_only({SDL_SCANCODE_RIGHT}); }},
        {"turned right", [](App& app) { return tutorial_server(app).tutorial.turned_right; },
         [](App&) { hold_only({SDL_SCANCODE_UP}); }},
        {"shooting lesson", [](App& app) { return tutorial_step(tutorial_server(app)) == TUTORIAL_SHOOTING; },
         [](App&) { hold_only({SDL_SCANCODE_SPACE}); }},
        {"hauling lesson", [](App& app) { return tutorial_step(tutorial_server(app)) == TUTORIAL_HAULING; },
         [](App& app) {
             hold_only({});
             // A helping hand: the resources that towing would gather.
             Plane& p = tutorial_server(app).world.planes[0];
             p.resources[0] = 10;
             p.resources[1] = 5;
             p.resources[2] = 5;
         }},
        {"buying lesson with the resources seen by the client",
         [](App& app) {
             const Plane& own = app.session.client.world.planes[app.session.client.own_slot];
             return tutorial_step(tutorial_server(app)) == TUTORIAL_BUYING &&
                    own.resources[0] + own.resources[1] + own.resources[2] >= 20;
         },
         [](App&) {
             push_key(SDL_SCANCODE_RETURN);  // the shop
             push_key(SDL_SCANCODE_2);       // the shield
         }},
        {"the shield bought", [](App& app) { return tutorial_step(tutorial_server(app)) == TUTORIAL_STEALING; },
         [](App&) { push_key(SDL_SCANCODE_ESCAPE); }},
        {"leave dialog", [](App& app) { return app.leave_dialog.open; },
         [](App& app) { push_click_on(app, leave_button_rect(box_of(app), LEAVE_LEAVE)); }},
        {"back on the main menu", [](App& app) { return app.screen == Screen::MainMenu && !app.session.active; },
         [&](App& app) { stored_selection = static_cast<uint8_t>(app.menu_selection); }},
    };

    testing::internal::CaptureStderr();
    const int status = run_app(FrameHook{run_stage, &script});
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(script.stuck_at, "") << log;
    EXPECT_EQ(title, "skorvia - tutorial");
    EXPECT_EQ(stored_selection, MenuTutorial);
    EXPECT_NE(log.find("info: player 0 joined from"), std::string::npos) << log;
}

// --- online against the real server ----------------------------------------

#ifdef SKORVIA_SERVER_BINARY

TEST(PlayThrough, OnlineFromTheServerListToChatAndBack) {
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--seed", "11"})) << server_log(server);
    const std::string name = "127.0.0.1:" + std::to_string(server.port);
    setenv("SKORVIA_SERVER", name.c_str(), 1);

    hold_only({});
    std::string label, joined_title;
    bool text_input_while_typing = false;
    bool text_input_after_sending = true;
    Script script;
    script.stages = {
        {"main menu", always, [](App&) { push_key(SDL_SCANCODE_RETURN); }},  // "Connect to server"
        {"the server answers",
         [](App& app) {
             return app.screen == Screen::ServerList && app.servers.count == 2 &&
                    server_at(app.servers, 1).status.load() == ServerStatus::Answered;
         },
         [&](App& app) {
             label = server_status_label(server_at(app.servers, 1));
             push_key(SDL_SCANCODE_DOWN);
             push_key(SDL_SCANCODE_KP_ENTER);
         }},
        {"joined, with the own plane in the world",
         [](App& app) {
             const ClientSession& c = app.session.client;
             return app.screen == Screen::Playing && c.state == ConnectionState::Joined &&
                    c.world.planes[c.own_slot].in_use;
         },
         [&](App& app) {
             joined_title = title_of(app);
             push_key(SDL_SCANCODE_RETURN);  // the shop
             push_key(SDL_SCANCODE_2);       // a shield, with nothing gathered yet
         }},
        {"the purchase refused", [](App& app) { return has_line(app, "Not enough resources for a shield"); },
         [](App&) { push_key(SDL_SCANCODE_T); }},
        {"typing", [](App& app) { return app.session.chat.typing; },
         [&](App& app) {
             text_input_while_typing = SDL_TextInputActive(app.window);
             push_text("hello therex");
             push_key(SDL_SCANCODE_BACKSPACE);
             push_key(SDL_SCANCODE_RETURN);
         }},
        {"the line relayed back", [](App& app) { return has_line(app, "Player 1: hello there"); },
         [&](App& app) {
             text_input_after_sending = SDL_TextInputActive(app.window);
             push_key(SDL_SCANCODE_ESCAPE);
         }},
        {"leave dialog", [](App& app) { return app.leave_dialog.open; },
         [](App&) {
             push_key(SDL_SCANCODE_RIGHT);  // "Leave"
             push_key(SDL_SCANCODE_RETURN);
         }},
        {"the server saw the leave",
         [&](App& app) {
             return app.screen == Screen::MainMenu && !app.session.active &&
                    server_log(server).find("info: player 0 left\n") != std::string::npos;
         },
         nullptr},
    };

    testing::internal::CaptureStderr();
    const int status = run_app(FrameHook{run_stage, &script});
    const std::string log = testing::internal::GetCapturedStderr();
    unsetenv("SKORVIA_SERVER");

    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(script.stuck_at, "") << log << "\nserver:\n" << server_log(server);
    EXPECT_EQ(label, "online");
    EXPECT_EQ(joined_title, "skorvia - player 1 on " + name);
    EXPECT_TRUE(text_input_while_typing);
    EXPECT_FALSE(text_input_after_sending);
    const std::string server_said = server_log(server);
    EXPECT_NE(server_said.find("info: player 1: hello there\n"), std::string::npos) << server_said;
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0);
}

#endif

}  // namespace
