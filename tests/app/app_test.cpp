// The whole program through SDL's offscreen video driver and dummy audio
// driver: in this process through run_app, and as the built binary.
#include "app/app.h"

#include <gtest/gtest.h>

#include <SDL3/SDL_events.h>
#include <SDL3/SDL_timer.h>
#include <SDL3/SDL_video.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#ifdef SKORVIA_BINARY
#include "support/child_process.h"
#endif

extern char** environ;

namespace {

struct Probe {
    int frames = 0;
    int quit_after = 6;
    int servers = 0;
    bool second_server_has_endpoint = true;
    std::string title;
    Vec2 first_camera = {};
    Vec2 last_camera = {};
    float render_clock = 0.0f;
    int window_w = 0, window_h = 0;
    bool settings_flag_after_apply = true;
    float recheck_timer = 0.0f;
};

void probe_frame(App& app, void* user) {
    Probe& p = *static_cast<Probe*>(user);
    ++p.frames;
    // Real time has to pass for the fixed ticks to run; the offscreen driver
    // presents without waiting for a display.
    SDL_Delay(20);
    if (p.frames == 1) {
        p.servers = app.servers.count;
        p.second_server_has_endpoint = app.servers.count > 1 && server_at(app.servers, 1).has_endpoint;
        const char* title = SDL_GetWindowTitle(app.window);
        p.title = title ? title : "";
        p.first_camera = app.camera_centre;
        app.resolution_index = 0;
        app.display_settings_changed = true;
        app.screen = Screen::ServerList;
        app.status_recheck_timer = 0.0f;
    }
    if (p.frames == 2) {
        SDL_GetWindowSize(app.window, &p.window_w, &p.window_h);
        p.settings_flag_after_apply = app.display_settings_changed;
        p.recheck_timer = app.status_recheck_timer;
    }
    if (p.frames == p.quit_after) {
        SDL_Event quit = {};
        quit.type = SDL_EVENT_QUIT;
        SDL_PushEvent(&quit);
    }
    p.last_camera = app.camera_centre;
    p.render_clock = app.render_clock;
}

TEST(App, RunsFramesAndShutsDownOnQuit) {
    setenv("SKORVIA_SERVER", "nowhere.invalid:7000", 1);
    Probe probe;
    testing::internal::CaptureStderr();
    int status = run_app(FrameHook{probe_frame, &probe});
    std::string log = testing::internal::GetCapturedStderr();
    unsetenv("SKORVIA_SERVER");

    EXPECT_EQ(status, 0) << log;
    // The frame that takes the quit event is still finished and presented.
    EXPECT_EQ(probe.frames, probe.quit_after + 1);
    EXPECT_EQ(probe.title, "skorvia");
    EXPECT_EQ(probe.servers, 2);
    EXPECT_FALSE(probe.second_server_has_endpoint);
    EXPECT_NE(log.find("warning: can't find server 'nowhere.invalid:7000': "), std::string::npos) << log;
    EXPECT_NE(log.find("info: playing sound through dummy\n"), std::string::npos) << log;

    // The menu camera drifts right and down by whole ticks.
    EXPECT_GT(probe.last_camera.x, probe.first_camera.x);
    EXPECT_GT(probe.last_camera.y, probe.first_camera.y);
    EXPECT_GT(probe.render_clock, 0.1f);

    EXPECT_EQ(probe.window_w, 960);
    EXPECT_EQ(probe.window_h, 540);
    EXPECT_FALSE(probe.settings_flag_after_apply);
    // The server list asked for the servers' status and wound the timer up.
    EXPECT_GT(probe.recheck_timer, 4.5f);
}

// A status query still running at exit: the window is hidden before the
// shutdown waits for it. The stand-in query ends only once it sees the window
// hidden, so a shutdown that waited first would show it for the whole wait.
struct ExitProbe {
    std::thread query;
    bool saw_hidden = false;
};

void start_query_that_ends_when_hidden(App& app, void* user) {
    ExitProbe& p = *static_cast<ExitProbe*>(user);
    if (p.query.joinable()) return;
    ServerEntry& entry = server_at(app.servers, 0);
    entry.status.store(ServerStatus::Checking, std::memory_order_release);
    SDL_Window* window = app.window;
    p.query = std::thread([&p, &entry, window] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            if (SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN) {
                p.saw_hidden = true;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        entry.status.store(ServerStatus::Unreachable, std::memory_order_release);
    });
    app.running = false;
}

TEST(App, HidesTheWindowBeforeWaitingForStatusQueries) {
    ExitProbe probe;
    testing::internal::CaptureStderr();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run_app(FrameHook{start_query_that_ends_when_hidden, &probe}), 0);
    const auto took = std::chrono::steady_clock::now() - start;
    testing::internal::GetCapturedStderr();
    probe.query.join();
    EXPECT_TRUE(probe.saw_hidden);
    EXPECT_LT(took, std::chrono::seconds(5));  // the wait ended with the query, not at its limit
}

// --- the built program ---------------------------------------------------

#ifdef SKORVIA_BINARY

struct Child {
    pid_t pid = -1;
    int stderr_fd = -1;
    std::string err;
};

Child spawn_program(const std::vector<std::string>& overrides) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        std::string entry = *e;
        bool replaced = false;
        for (const std::string& o : overrides) {
            if (entry.compare(0, o.find('=') + 1, o, 0, o.find('=') + 1) == 0) replaced = true;
        }
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());

    int pipe_fds[2];
    Child child;
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return child;
    child.pid = spawn_tied_child({SKORVIA_BINARY}, pipe_fds[1], &env);
    close(pipe_fds[1]);
    child.stderr_fd = pipe_fds[0];
    return child;
}

// Reads standard error until `until` appears or the stream ends, for at most
// `seconds`. Returns whether `until` was seen.
bool read_stderr(Child& child, const std::string& until, int seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (!until.empty() && child.err.find(until) != std::string::npos) return true;
        pollfd p = {child.stderr_fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buffer[4096];
        ssize_t n = read(child.stderr_fd, buffer, sizeof buffer);
        if (n <= 0) break;
        child.err.append(buffer, static_cast<size_t>(n));
    }
    return !until.empty() && child.err.find(until) != std::string::npos;
}

int wait_for_exit(Child& child) {
    read_stderr(child, "", 20);
    close(child.stderr_fd);
    int status = 0;
    for (int i = 0; i < 200; ++i) {
        if (waitpid(child.pid, &status, WNOHANG) == child.pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        usleep(50'000);
    }
    kill(child.pid, SIGKILL);
    waitpid(child.pid, &status, 0);
    return -1;
}

TEST(Program, UnavailableVideoDriverFailsWithSdlFailed) {
    Child child = spawn_program({"SDL_VIDEO_DRIVER=nonexistent", "SDL_AUDIO_DRIVER=dummy"});
    ASSERT_GT(child.pid, 0);
    EXPECT_EQ(wait_for_exit(child), 1);
    EXPECT_EQ(child.err.rfind("error: can't start SDL: ", 0), 0u) << child.err;
    const std::string tail = "\nerror: SdlFailed\n";
    ASSERT_GE(child.err.size(), tail.size());
    EXPECT_EQ(child.err.substr(child.err.size() - tail.size()), tail) << child.err;
    EXPECT_EQ(child.err.find("error: ", 1), child.err.size() - tail.size() + 1) << "exactly two lines";
}

TEST(Program, StartsHeadlessAndEndsCleanlyOnTerminate) {
    Child child = spawn_program({"SDL_VIDEO_DRIVER=offscreen", "SDL_AUDIO_DRIVER=dummy", "SKORVIA_SERVER=127.0.0.1:7001"});
    ASSERT_GT(child.pid, 0);
    bool started = read_stderr(child, "info: playing sound through dummy\n", 20);
    EXPECT_TRUE(started) << child.err;
    usleep(200'000);  // let it run a few frames
    kill(child.pid, SIGTERM);  // the platform library turns this into a quit request
    EXPECT_EQ(wait_for_exit(child), 0) << child.err;
    EXPECT_EQ(child.err, "info: playing sound through dummy\n");
}

#endif

}  // namespace
