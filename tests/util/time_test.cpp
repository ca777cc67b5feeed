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

// Microseconds between two counter readings, rounded down.
int64_t micros_between(int64_t start, int64_t end) {
    return (end - start) * 1000000 / plat::counter_frequency();
}

// Each lap lies between what the counter, read on its own around the lap's
// start and end, says: no longer than from before the start to after the
// end, and no shorter than from after the start to before the end, less the
// read overhead that calibration measured (itself no longer than the
// calibration call). A timer that clamps a wrong lap to 0 fails here.
TEST(LapTimer, LapsAgreeWithTheCounterReadIndependently) {
    const int64_t before_calibration = plat::counter_now();
    u_timer_calibrate();
    const int64_t overhead_bound = plat::counter_now() - before_calibration;
    for (const int32_t sleep_ms : {0, 0, 1, 3, 0, 12}) {
        const int64_t before_start = plat::counter_now();
        u_timer_lap();
        const int64_t after_start = plat::counter_now();
        if (sleep_ms > 0) u_sleep(sleep_ms);
        const int64_t before_end = plat::counter_now();
        const int32_t lap = u_timer_lap();
        const int64_t after_end = plat::counter_now();
        // One microsecond either way for the rounding of the conversions.
        EXPECT_LE(lap, micros_between(before_start, after_end) + 1);
        EXPECT_GE(lap,
                  micros_between(after_start, before_end) - micros_between(0, overhead_bound) - 1);
        EXPECT_GE(lap, 0);
    }
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
