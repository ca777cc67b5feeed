// The named mutex: one holder at a time, whether the other claimant is a
// handle of this process, another thread or another process, and a holder
// that dies leaves it free.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "platform/named_mutex.h"
#include "support/mutex_holder.h"

namespace {

std::string unique_name() {
    return "gridtext-test-mutex-" + std::to_string(std::random_device{}());
}

// The Windows mutex is re-entrant for its holding thread, so two handles of
// one thread exclude each other only on POSIX.
#if !defined(_WIN32)
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
}
#endif

TEST(NamedMutex, RefusesBadUse) {
    plat::named_mutex_handle mutex = plat::open_named_mutex(unique_name().c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_FALSE(plat::release_named_mutex(mutex));  // not held
    EXPECT_EQ(plat::wait_named_mutex(mutex, 0), plat::mutex_wait::acquired);
    EXPECT_EQ(plat::wait_named_mutex(mutex, 0), plat::mutex_wait::failed);  // held already
    EXPECT_TRUE(plat::close_named_mutex(mutex));
    EXPECT_EQ(plat::open_named_mutex(""), nullptr);
    EXPECT_EQ(plat::open_named_mutex(nullptr), nullptr);
    EXPECT_EQ(plat::wait_named_mutex(nullptr, 0), plat::mutex_wait::failed);
}

TEST(NamedMutex, HeldByAnotherThread) {
    const std::string name = unique_name();
    thread_mutex_holder holder(name);
    ASSERT_TRUE(holder.held());
    plat::named_mutex_handle mutex = plat::open_named_mutex(name.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(plat::wait_named_mutex(mutex, 50), plat::mutex_wait::timed_out);
    holder.release();
    EXPECT_EQ(plat::wait_named_mutex(mutex, 0), plat::mutex_wait::acquired);
    plat::close_named_mutex(mutex);
}

#if !defined(_WIN32)
TEST(NamedMutex, HeldByAnotherProcessAndLeftBehindWhenItDies) {
    const std::string name = unique_name();
    process_mutex_holder holder(name);
    ASSERT_TRUE(holder.held());
    plat::named_mutex_handle mutex = plat::open_named_mutex(name.c_str());
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(plat::wait_named_mutex(mutex, 100), plat::mutex_wait::timed_out);
    holder.release();  // the child dies holding it
    EXPECT_EQ(plat::wait_named_mutex(mutex, 1000), plat::mutex_wait::acquired);
    plat::close_named_mutex(mutex);
}
#endif

}  // namespace
