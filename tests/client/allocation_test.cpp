// Frames of a session allocate nothing: every buffer is fixed and reused.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "client/session.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
// Every form here is malloc and free, whatever the compiler assumes of them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

TEST(Allocation, SessionFramesOfTheTutorialAllocateNothing) {
    static Session s;
    ASSERT_TRUE(start_tutorial(s));  // the one allocation: the in-process server
    Vec2 camera{};
    testing::internal::CaptureStderr();
    counting = true;
    for (int i = 0; i < 600; ++i) {
        float ticks = (1 + i % 3) * TICK + 0.25f * TICK;
        session_frame(s, {i % 4 == 0, false, i % 2 == 0, i % 5 == 0, false}, ticks, camera);
    }
    counting = false;
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(s.client.state, ConnectionState::Joined);
    EXPECT_GT(s.client.snapshots_accepted, 100u);
    EXPECT_EQ(allocations.load(), 0);
    leave_session(s);
}

}  // namespace
