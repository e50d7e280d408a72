// Finding a game through the real program: a typed address added, joined,
// kept for the next run and deleted; the kept files' faults; the Internet
// list filled from a real registry.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/app.h"
#include "app/app_script.h"
#include "app/client_hooks.h"
#include "app/kept.h"
#include "client/menus.h"

#ifdef SKORVIA_SERVER_BINARY
#include <signal.h>

#include "support/server_process.h"
#endif
#ifdef SKORVIA_REGISTRY_BINARY
#include "support/canned_http.h"
#endif

namespace {

namespace fs = std::filesystem;

// A kept folder of the test's own, given to the program through XDG_CONFIG_HOME.
class KeptFolder {
public:
    KeptFolder() {
        char pattern[] = "/tmp/skorvia-find-XXXXXX";
        root_ = mkdtemp(pattern) ? pattern : "";
        saved_ = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("XDG_CONFIG_HOME", root_.c_str(), 1);
    }
    ~KeptFolder() {
        setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    std::string folder() const { return root_ + "/skorvia"; }
    std::string path(const char* name) const { return folder() + "/" + name; }
    std::string read(const char* name) const {
        std::ifstream in(path(name));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void write(const char* name, const std::string& text) const {
        fs::create_directories(folder());
        std::ofstream(path(name)) << text;
    }

private:
    std::string root_;
    std::string saved_;
};

// Loads the kept files into a windowless App, as start-up does.
std::unique_ptr<App> app_with_kept_files(std::string& log) {
    auto app = std::make_unique<App>();
    add_server(app->servers, DEFAULT_SERVER_TEXT);
    testing::internal::CaptureStderr();
    load_kept(*app);
    log = testing::internal::GetCapturedStderr();
    return app;
}

TEST(KeptFiles, MissingFilesGiveTheDefaultsSilently) {
    KeptFolder kept;
    std::string log;
    auto app = app_with_kept_files(log);
    EXPECT_EQ(log, "");
    EXPECT_EQ(app->volume, 100);
    EXPECT_EQ(app->servers.count, 1);
    save_kept(*app);
    EXPECT_FALSE(fs::exists(kept.folder())) << "nothing is written while nothing changed";
}

TEST(KeptFiles, AMalformedFileIsNamedOnceAndLeftAloneUntilAChange) {
    KeptFolder kept;
    const std::string bad_settings = "volume = 80\ndisplay = \x1b[2Jhuge\n";
    kept.write("settings.txt", bad_settings);
    kept.write("servers.txt", "10.0.0.1\n\x01\n");
    std::string log;
    auto app = app_with_kept_files(log);
    EXPECT_EQ(log, "warning: ignoring " + kept.path("settings.txt") +
                       " (line 2: display must be windowed or borderless, not \\x1b[2Jhuge): playing with the default settings\n"
                       "warning: ignoring " + kept.path("servers.txt") +
                       " (line 2: not a server address): no added servers are listed\n");
    EXPECT_EQ(app->volume, 100) << "none of a malformed file is taken";
    EXPECT_EQ(app->servers.count, 1);

    save_kept(*app);
    EXPECT_EQ(kept.read("settings.txt"), bad_settings);
    app->volume = 60;
    save_kept(*app);
    EXPECT_NE(kept.read("settings.txt").find("volume = 60\n"), std::string::npos);
    EXPECT_EQ(kept.read("servers.txt"), "10.0.0.1\n\x01\n") << "the servers did not change";
}

TEST(KeptFiles, KeptSettingsAndServersAreReadBack) {
    KeptFolder kept;
    kept.write("settings.txt", "volume = 30\nresolution = 1600x900\ndisplay = windowed\n");
    kept.write("servers.txt", "# mine\n127.0.0.1:7001\nnowhere.invalid:7002\n");
    std::string log;
    auto app = app_with_kept_files(log);
    EXPECT_EQ(app->volume, 30);
    EXPECT_EQ(app->resolution_index, 2);
    EXPECT_TRUE(app->display_settings_changed);
    ASSERT_EQ(app->servers.count, 3);
    EXPECT_EQ(server_at(app->servers, 1).name(), "127.0.0.1:7001");
    EXPECT_EQ(server_at(app->servers, 2).name(), "nowhere.invalid:7002") << "kept while it does not resolve";
    EXPECT_NE(log.find("warning: can't find server 'nowhere.invalid:7002': "), std::string::npos) << log;
}

TEST(KeptFiles, AFolderThatCantBeWrittenWarnsOncePerChange) {
    KeptFolder kept;
    std::string log;
    auto app = app_with_kept_files(log);
    // A file where the folder should be: no user, root included, can write there.
    std::ofstream(kept.folder()) << "in the way";
    app->volume = 40;
    testing::internal::CaptureStderr();
    save_kept(*app);
    save_kept(*app);  // the next frame: not tried again
    log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "warning: can't save " + kept.path("settings.txt") + ": not a folder\n");
    EXPECT_EQ(app->volume, 40) << "the game plays on with the setting";
    app->volume = 50;
    testing::internal::CaptureStderr();
    save_kept(*app);
    EXPECT_NE(testing::internal::GetCapturedStderr(), "") << "a new change tries again";
    fs::remove(kept.folder());
}

#ifdef SKORVIA_SERVER_BINARY

// Long enough for the whole run; pushed text must outlive its frame.
std::string typed_address;

bool on_servers(App& app) { return app.screen == Screen::ServerList; }

ServerStatus status_of(App& app, int position) {
    return position < app.servers.count ? server_at(app.servers, position).status.load() : ServerStatus::NotQueried;
}

bool joined(App& app) {
    const ClientSession& c = app.session.client;
    return app.screen == Screen::Playing && c.state == ConnectionState::Joined && c.world.planes[c.own_slot].in_use;
}

void leave_game() {
    push_key(SDL_SCANCODE_ESCAPE);
    push_key(SDL_SCANCODE_RIGHT);
    push_key(SDL_SCANCODE_RETURN);
}

int run_script(Script& script, std::string& log) {
    testing::internal::CaptureStderr();
    const int status = run_app(FrameHook{run_stage, &script});
    log = testing::internal::GetCapturedStderr();
    return status;
}

TEST(FindServer, ATypedAddressIsJoinedKeptForTheNextRunAndDeleted) {
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--seed", "3", "--name", "Friday night"}))
        << server_log(server);
    KeptFolder kept;
    unsetenv("SKORVIA_SERVER");
    unsetenv("SKORVIA_REGISTRY");
    typed_address = "127.0.0.1:" + std::to_string(server.port);

    // Rows: localhost:7777, "Add server", "Back"; an added server goes under localhost.
    Script first;
    first.stages = {
        {"main menu", always, [](App&) { push_key(SDL_SCANCODE_RETURN); }},
        {"the servers", on_servers,
         [](App&) {
             push_key(SDL_SCANCODE_UP);      // "Back"
             push_key(SDL_SCANCODE_UP);      // "Add server"
             push_key(SDL_SCANCODE_RETURN);  // opens the line
         }},
        {"typing a name that does not resolve", [](App& app) { return app.address_input.typing; },
         [](App&) {
             push_text("nowhere.invalid");
             push_key(SDL_SCANCODE_RETURN);
         }},
        {"told why",
         [](App& app) { return has_line(app, "Can't find server 'nowhere.invalid': UnknownHostName"); },
         [](App&) { push_key(SDL_SCANCODE_RETURN); }},
        {"typing the friend's address", [](App& app) { return app.address_input.typing; },
         [](App&) {
             push_text(typed_address.c_str());
             push_text("x");
             push_key(SDL_SCANCODE_BACKSPACE);
             push_key(SDL_SCANCODE_RETURN);
         }},
        {"added, selected and asked",
         [](App& app) {
             return !app.address_input.typing && app.menu_selection == 1 && status_of(app, 1) == ServerStatus::Answered;
         },
         [](App&) { push_key(SDL_SCANCODE_RETURN); }},
        {"joined", joined, [](App&) { leave_game(); }},
        {"back on the main menu", back_on_main_menu,
         nullptr},
    };
    std::string log;
    ASSERT_EQ(run_script(first, log), 0) << log;
    ASSERT_EQ(first.stuck_at, "") << log;
    EXPECT_NE(kept.read("servers.txt").find(typed_address + "\n"), std::string::npos) << kept.read("servers.txt");
    EXPECT_NE(server_log(server).find("info: player 0 joined"), std::string::npos);

    // The next run lists it from the start, by the name its server gives.
    std::string shown_name;
    Script second;
    second.stages = {
        {"main menu", always, [](App&) { push_key(SDL_SCANCODE_RETURN); }},
        {"the kept server answers", [](App& app) { return on_servers(app) && status_of(app, 1) == ServerStatus::Answered; },
         [&](App& app) {
             const ServerEntry& e = server_at(app.servers, 1);
             shown_name.assign(e.result.name, e.result.name_length);
             EXPECT_EQ(e.name(), typed_address);
             push_key(SDL_SCANCODE_DOWN);
             push_key(SDL_SCANCODE_DELETE);
         }},
        {"deleted", [](App& app) { return app.servers.count == 1; }, nullptr},
    };
    ASSERT_EQ(run_script(second, log), 0) << log;
    EXPECT_EQ(second.stuck_at, "") << log;
    EXPECT_EQ(shown_name, "Friday night");
    EXPECT_EQ(kept.read("servers.txt").find(typed_address), std::string::npos) << kept.read("servers.txt");
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0);
}

#ifdef SKORVIA_REGISTRY_BINARY

TEST(FindServer, TheInternetListIsFilledFromARealRegistry) {
    ServerProcess registry;
    ASSERT_TRUE(start_server_process(registry, SKORVIA_REGISTRY_BINARY, {})) << server_log(registry);
    const std::string url = "http://127.0.0.1:" + std::to_string(registry.port);
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--register", url, "--name", "Alpha"}))
        << server_log(server);
    ASSERT_TRUE(wait_for_log(server, "info: registered at " + url, 10000)) << server_log(server);
    KeptFolder kept;
    unsetenv("SKORVIA_SERVER");
    // A registry that is not there is named once and changes nothing.
    setenv("SKORVIA_REGISTRY", (url + ", http://127.0.0.1:9/").c_str(), 1);
    const std::string address = "127.0.0.1:" + std::to_string(server.port);

    using Clock = std::chrono::steady_clock;
    Clock::time_point opened;
    double shown_after_ms = -1;
    std::string label, name;
    Script script;
    script.stages = {
        {"main menu", always,
         [&](App&) {
             push_key(SDL_SCANCODE_RETURN);
             opened = Clock::now();
         }},
        // Rows: localhost, "Internet", the registry's server, "Add server", "Back".
        {"listed under Internet and answering",
         [&](App& app) {
             const ServerListShape shape = server_list_shape(app.servers);
             return on_servers(app) && shape.internet == 1 && status_of(app, 1) == ServerStatus::Answered;
         },
         [&](App& app) {
             shown_after_ms = std::chrono::duration<double, std::milli>(Clock::now() - opened).count();
             const ServerEntry& e = server_at(app.servers, 1);
             EXPECT_EQ(e.name(), address);
             label = server_status_label(e);
             name.assign(e.listed_name, e.listed_name_length);
             push_key(SDL_SCANCODE_DOWN);  // passes over the heading
             push_key(SDL_SCANCODE_RETURN);
         }},
        {"joined", joined, [](App&) { leave_game(); }},
        {"left", back_on_main_menu, nullptr},
    };
    std::string log;
    const int status = run_script(script, log);
    unsetenv("SKORVIA_REGISTRY");
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(script.stuck_at, "") << log;
    EXPECT_EQ(label, "online");
    EXPECT_EQ(name, "Alpha");
    EXPECT_EQ(log.find("warning: can't read the server list of http://127.0.0.1:9/: can't connect\n"),
              log.rfind("warning: can't read the server list of http://127.0.0.1:9/"))
        << "said once: " << log;
    EXPECT_NE(log.find("can't read the server list of http://127.0.0.1:9/"), std::string::npos) << log;
    RecordProperty("internet_entry_answered_ms", static_cast<int>(shown_after_ms));
    std::printf("a registered server answered in the Internet list %.0f ms after the Servers screen opened\n",
                shown_after_ms);
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0);
    EXPECT_EQ(stop_server_process(registry, SIGTERM), 0);
}

// A registry that lists six servers at one address, addresses the game
// must never ask, and entries that break the rules: the game shows four
// servers of that address, the first four listed, and nothing else.
TEST(FindServer, TheInternetListShowsFewServersPerAddressAndNoneItMayNotAsk) {
    ServerProcess server;
    ASSERT_TRUE(start_server_process(server, SKORVIA_SERVER_BINARY, {"--name", "Alpha"})) << server_log(server);
    const std::string here = "127.0.0.1:";
    std::string list = R"({"servers": [)";
    for (int i = 0; i < 6; ++i) list += R"({"address": ")" + here + std::to_string(server.port + i) + R"("},)";
    list += R"({"address": "0.0.0.0:7777"}, {"address": "255.255.255.255:7777"}, {"address": "224.0.0.1:7777"},
               {"address": "127.0.0.2:7777", "name": "evil\u202eemag"},
               {"address": "127.0.0.3:7777", "name": "line\u2028break"},
               {"address": "127.0.0.4:7777", "players": 255, "max": 255}]})";
    CannedAnswer answer;
    answer.head += "Content-Type: application/json\r\nContent-Length: " + std::to_string(list.size()) + "\r\n";
    answer.body = list;
    CannedHttp registry(answer);
    KeptFolder kept;
    unsetenv("SKORVIA_SERVER");
    setenv("SKORVIA_REGISTRY", registry.url().c_str(), 1);

    std::vector<std::string> shown;
    Script script;
    script.stages = {
        {"main menu", always, [](App&) { push_key(SDL_SCANCODE_RETURN); }},
        // Rows: localhost, "Internet", the registry's servers.
        {"the registry's list taken",
         [](App& app) { return on_servers(app) && app.internet.taken && status_of(app, 1) == ServerStatus::Answered; },
         [&](App& app) {
             for (int i = 0; i < app.servers.count; ++i) {
                 const ServerEntry& e = server_at(app.servers, i);
                 if (e.origin == ServerOrigin::Internet) shown.emplace_back(e.name());
             }
             push_key(SDL_SCANCODE_ESCAPE);
         }},
        {"back", back_on_main_menu, nullptr},
    };
    std::string log;
    const int status = run_script(script, log);
    unsetenv("SKORVIA_REGISTRY");
    ASSERT_EQ(status, 0) << log;
    EXPECT_EQ(script.stuck_at, "") << log;
    std::vector<std::string> expected;
    for (int i = 0; i < 4; ++i) expected.push_back(here + std::to_string(server.port + i));
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(stop_server_process(server, SIGTERM), 0);
}

#endif
#endif

}  // namespace
