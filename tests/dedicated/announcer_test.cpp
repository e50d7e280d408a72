// The announcer in this process against a registry of the test's own on
// loopback: it announces at once, then once every interval of the options
// (15 s unless told otherwise; a second here).
#include "dedicated/announcer.h"

#include <gtest/gtest.h>

#if SKORVIA_HAS_REGISTRY && SKORVIA_TEST_HTTPLIB

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

namespace {

using Clock = std::chrono::steady_clock;

TEST(Announcer, AnnouncesAtOnceAndThenEveryInterval) {
    httplib::Server fake;
    std::mutex mutex;
    std::vector<Clock::time_point> arrivals;
    std::string body;
    fake.Post("/announce", [&](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(mutex);
        arrivals.push_back(Clock::now());
        body = req.body;
        res.set_content("listed\n", "text/plain");
    });
    const int port = fake.bind_to_any_port("127.0.0.1");
    ASSERT_GT(port, 0);
    std::thread serving([&] { fake.listen_after_bind(); });

    const std::string url = "http://127.0.0.1:" + std::to_string(port);
    ServerOptions options;
    options.registries[0] = url.c_str();
    options.registry_count = 1;
    options.name = "Friday night";
    options.announce_seconds = 1;
    Announcer announcer;
    const auto started = Clock::now();
    start_announcer(announcer, options, 7777);
    // Three announcements, or 10 s of waiting for them.
    auto count = [&] {
        std::lock_guard lock(mutex);
        return arrivals.size();
    };
    while (count() < 3 && Clock::now() - started < std::chrono::seconds(10)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stop_announcer(announcer);
    fake.stop();
    serving.join();

    ASSERT_GE(arrivals.size(), 3u);
    EXPECT_LT(arrivals[0] - started, std::chrono::milliseconds(900)) << "the first at start-up";
    // The shorter gap of the two: a loaded machine only makes gaps longer.
    const auto gap = std::min(arrivals[1] - arrivals[0], arrivals[2] - arrivals[1]);
    EXPECT_GE(gap, std::chrono::milliseconds(990));
    EXPECT_LT(gap, std::chrono::milliseconds(1800));
    EXPECT_EQ(body, R"({"name":"Friday night","port":7777})");
}

}  // namespace

#endif
