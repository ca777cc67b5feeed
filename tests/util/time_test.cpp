// Wall clock, stopwatch, lap timer and calendar time.
#include <gtest/gtest.h>

#include <cstring>
#include <ctime>

#include "platform/clock.h"
#include "util/util.h"

namespace {

TEST(WallTime, MicrosecondsAreWholeMillisecondsWithinTheSecond) {
    int64_t seconds = 0;
    int32_t micros = -1;
    u_wall_time(&seconds, &micros);
    EXPECT_GE(micros, 0);
    EXPECT_LT(micros, 1'000'000);
    EXPECT_EQ(micros % 1000, 0);
    EXPECT_NEAR(static_cast<double>(seconds), static_cast<double>(std::time(nullptr)), 2.0);
    EXPECT_NEAR(u_wall_seconds(), static_cast<double>(seconds), 2.0);
}

TEST(Stopwatch, MeasuresFromTheLastStart) {
    const double start = u_stopwatch_start();
    EXPECT_NEAR(start, u_wall_seconds(), 1.0);
    u_sleep(20);
    EXPECT_GE(u_stopwatch_elapsed(), 0.015);
}

TEST(LapTimer, LapsAreNeverNegative) {
    u_timer_calibrate();
    for (int i = 0; i < 1000; ++i) EXPECT_GE(u_timer_lap(), 0);
}

TEST(LapTimer, PeekLeavesTheLapRunning) {
    u_timer_lap();
    u_sleep(10);
    const int32_t peeked = u_timer_peek();
    EXPECT_GE(peeked, 9000);
    // The lap was not restarted by the peek, so it covers the peeked time.
    EXPECT_GE(u_timer_lap(), peeked);
    EXPECT_GE(u_timer_peek(), 0);
}

TEST(LapTimer, DiffRoundsHalvesAwayFromZero) {
    // Tick counts from the counter's own frequency (10^9 on POSIX, the
    // system's performance-counter rate on Windows).
    const int64_t per_second = plat::counter_frequency();
    const int64_t milli = per_second / 1000;
    EXPECT_EQ(u_timer_diff(0, milli), 1000);
    EXPECT_EQ(u_timer_diff(5 * milli, milli), -4000);
    // Halves can be met exactly only when half a microsecond is whole ticks.
    if (per_second % 2'000'000 == 0) {
        const int64_t half_micro = per_second / 2'000'000;
        EXPECT_EQ(u_timer_diff(0, 3 * half_micro), 2);
        EXPECT_EQ(u_timer_diff(0, 3 * half_micro - 1), 1);
        EXPECT_EQ(u_timer_diff(3 * half_micro, 0), -2);
    }
    EXPECT_EQ(u_timer_diff(0, 0), 0);
    // Beyond the int32 range the result saturates.
    EXPECT_EQ(u_timer_diff(0, 10'000 * per_second), INT32_MAX);
    EXPECT_EQ(u_timer_diff(10'000 * per_second, 0), INT32_MIN);
}

TEST(LapTimer, NowAdvances) {
    const int64_t a = u_timer_now();
    u_sleep(2);
    EXPECT_GT(u_timer_now(), a);
}

TEST(CalendarTime, TimeAndLocalTime) {
    int64_t stored = 0;
    const int64_t now = u_time(&stored);
    EXPECT_EQ(now, stored);
    EXPECT_GT(u_time(nullptr), 1'600'000'000);

    const std::tm* local = u_local_time(now);
    ASSERT_NE(local, nullptr);
    char expected[U_TIME_STAMP_SIZE];
    ASSERT_EQ(u_format_time(now, expected), 19);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
    EXPECT_STREQ(text, expected);
}

}  // namespace
