// High-resolution lap timer over the platform's performance counter.
#include <cmath>

#include "platform/platform.h"
#include "util/util.h"

namespace {

int64_t counter_frequency = 0;  // ticks per second; 0 until queried
int64_t lap_start = 0;
int64_t read_overhead = -1;  // ticks of one counter read; -1 until calibrated

// Microseconds as int32; a lap of more than about 35 minutes saturates
// instead of wrapping.
int32_t to_int32_micros(double micros) {
    if (micros >= 2147483647.0) return INT32_MAX;
    if (micros <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(micros);
}

// Ticks since the lap start less the read overhead, never negative.
int64_t ticks_since_lap_start(int64_t now) {
    const int64_t elapsed = now - lap_start - read_overhead;
    return elapsed < 0 ? 0 : elapsed;
}

int32_t ticks_to_micros(int64_t ticks) {
    return to_int32_micros(
        std::trunc(static_cast<double>(ticks) / static_cast<double>(counter_frequency) * 1e6));
}

}  // namespace

void u_timer_calibrate() {
    counter_frequency = plat::counter_frequency();
    lap_start = plat::counter_now();
    const int64_t second_read = plat::counter_now();
    read_overhead = second_read - lap_start;
}

int32_t u_timer_lap() {
    if (read_overhead < 0) u_timer_calibrate();
    const int64_t now = plat::counter_now();
    const int64_t elapsed = ticks_since_lap_start(now);
    lap_start = now;
    return ticks_to_micros(elapsed);
}

int32_t u_timer_peek() {
    if (read_overhead < 0) u_timer_calibrate();
    return ticks_to_micros(ticks_since_lap_start(plat::counter_now()));
}

int64_t u_timer_now() {
    return plat::counter_now();
}

int32_t u_timer_diff(int64_t start, int64_t end) {
    if (counter_frequency <= 0) counter_frequency = plat::counter_frequency();
    // The difference wraps rather than overflows for counter values far apart.
    const auto ticks =
        static_cast<int64_t>(static_cast<uint64_t>(end) - static_cast<uint64_t>(start));
    const double micros = 1e6 * static_cast<double>(ticks) / static_cast<double>(counter_frequency);
    return to_int32_micros(micros >= 0 ? std::trunc(micros + 0.5) : std::trunc(micros - 0.5));
}
