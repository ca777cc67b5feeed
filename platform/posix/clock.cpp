// Clocks on POSIX: CLOCK_MONOTONIC in nanoseconds serves as the counter.
#include "platform/clock.h"

#include <time.h>

#include <cerrno>

namespace plat {

namespace {
constexpr int64_t kNanosPerSecond = 1'000'000'000;
}

int64_t counter_now() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}

int64_t counter_frequency() {
    return kNanosPerSecond;
}

void sleep_ms(int32_t milliseconds) {
    if (milliseconds <= 0) return;
    timespec left{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1'000'000L};
    // nanosleep reports the time still to sleep when a signal interrupts it.
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

void wall_clock(int64_t* seconds, int32_t* milliseconds) {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    *seconds = static_cast<int64_t>(ts.tv_sec);
    *milliseconds = static_cast<int32_t>(ts.tv_nsec / 1'000'000);
}

void load_time_zone() {
    ::tzset();
}

}  // namespace plat
