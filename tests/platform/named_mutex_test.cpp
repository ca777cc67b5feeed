// The named mutex: one holder at a time, whether the other claimant is a
// handle of this process, another thread or another process, and a holder
// that dies leaves it free.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>

#include "platform/named_mutex.h"
#include "platform/thread.h"
#include "support/child_run.h"

namespace {

std::string unique_name() {
    return "gridtext-test-mutex-" + std::to_string(std::random_device{}());
}

int64_t elapsed_ms(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

TEST(NamedMutex, SecondHandleWaitsUntilTheFirstReleases) {
    const std::string name = unique_name();
    plat::named_mutex_handle first = plat::open_named_mutex(name.c_str());
    plat::named_mutex_handle second = plat::open_named_mutex(name.c_str());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(plat::wait_named_mutex(first, 0), plat::mutex_wait::acquired);
    EXPECT_EQ(plat::wait_named_mutex(first, 0), plat::mutex_wait::failed);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(plat::wait_named_mutex(second, 100), plat::mutex_wait::timed_out);
    EXPECT_GE(elapsed_ms(start), 100);
    EXPECT_TRUE(plat::release_named_mutex(first));
    EXPECT_FALSE(plat::release_named_mutex(first));
    EXPECT_EQ(plat::wait_named_mutex(second, 0), plat::mutex_wait::acquired);
    EXPECT_TRUE(plat::close_named_mutex(second));  // releases it
    EXPECT_EQ(plat::wait_named_mutex(first, 0), plat::mutex_wait::acquired);
    EXPECT_TRUE(plat::close_named_mutex(first));
    EXPECT_FALSE(plat::close_named_mutex(nullptr));
    EXPECT_EQ(plat::open_named_mutex(""), nullptr);
    EXPECT_EQ(plat::open_named_mutex(nullptr), nullptr);
    EXPECT_EQ(plat::wait_named_mutex(nullptr, 0), plat::mutex_wait::failed);
}

struct holder_state {
    std::string name;
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
};

void hold_mutex(void* argument) {
    auto* state = static_cast<holder_state*>(argument);
    plat::named_mutex_handle mutex = plat::open_named_mutex(state->name.c_str());
    if (mutex == nullptr || plat::wait_named_mutex(mutex, 0) != plat::mutex_wait::acquired) {
        plat::close_named_mutex(mutex);
        return;
    }
    state->holding = true;
    while (!state->release) plat::sleep_ms(5);
    plat::close_named_mutex(mutex);
    state->holding = false;
}

TEST(NamedMutex, HeldByAnotherThread) {
    holder_state state;
    state.name = unique_name();
    plat::thread_handle thread = plat::start_thread(hold_mutex, &state);
    ASSERT_NE(thread, nullptr);
    while (!state.holding) plat::sleep_ms(5);
    plat::named_mutex_handle mutex = plat::open_named_mutex(state.name.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(plat::wait_named_mutex(mutex, 50), plat::mutex_wait::timed_out);
    state.release = true;
    // The holder lets go while we wait.
    EXPECT_EQ(plat::wait_named_mutex(mutex, 10000), plat::mutex_wait::acquired);
    plat::join_thread(thread);
    plat::close_thread(thread);
    plat::close_named_mutex(mutex);
}

#if !defined(_WIN32)
TEST(NamedMutex, HeldByAnotherProcessAndLeftBehindWhenItDies) {
    const std::string name = unique_name();
    int to_child[2];
    int from_child[2];
    ASSERT_EQ(::pipe(to_child), 0);
    ASSERT_EQ(::pipe(from_child), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Takes the mutex, says so, and dies without releasing it once the
        // parent closes its end of the pipe.
        ::close(to_child[1]);
        ::close(from_child[0]);
        plat::named_mutex_handle mutex = plat::open_named_mutex(name.c_str());
        const char held =
            plat::wait_named_mutex(mutex, 0) == plat::mutex_wait::acquired ? 'y' : 'n';
        if (::write(from_child[1], &held, 1) != 1) ::_exit(1);
        char ignored;
        while (::read(to_child[0], &ignored, 1) > 0) {
        }
        ::_exit(0);
    }
    ::close(to_child[0]);
    ::close(from_child[1]);
    char held = 'n';
    ASSERT_EQ(::read(from_child[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    plat::named_mutex_handle mutex = plat::open_named_mutex(name.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(plat::wait_named_mutex(mutex, 100), plat::mutex_wait::timed_out);
    ::close(to_child[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(from_child[0]);
    EXPECT_EQ(plat::wait_named_mutex(mutex, 1000), plat::mutex_wait::acquired);
    plat::close_named_mutex(mutex);
}
#endif

}  // namespace
