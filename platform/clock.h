// Clocks, sleeping and the time-zone settings.
#pragma once

#include <cstdint>

namespace plat {

// The high-resolution counter: a monotonic tick count and its ticks per second.
int64_t counter_now();
int64_t counter_frequency();

// Suspends the calling thread for at least the given milliseconds; a signal
// does not cut the sleep short. Zero or negative returns at once.
void sleep_ms(int32_t milliseconds);

// Wall-clock time since the epoch, to the millisecond.
void wall_clock(int64_t* seconds, int32_t* milliseconds);

// Loads the C runtime's time-zone settings from the environment.
void load_time_zone();

}  // namespace plat
