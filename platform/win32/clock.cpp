// Clocks on Windows: the performance counter, Sleep, and the system time as
// a FILETIME (100-nanosecond steps since 1601).
#include "platform/clock.h"

#include <ctime>

#include "platform/win32/windows_api.h"

namespace plat {
namespace {

// FILETIME ticks between 1601-01-01 and 1970-01-01.
constexpr int64_t kEpochOffsetTicks = 116'444'736'000'000'000;
constexpr int64_t kTicksPerMillisecond = 10'000;

}  // namespace

int64_t counter_now() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);  // cannot fail on any Windows since XP
    return now.QuadPart;
}

int64_t counter_frequency() {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}

void sleep_ms(int32_t milliseconds) {
    if (milliseconds > 0) ::Sleep(static_cast<DWORD>(milliseconds));
}

void wall_clock(int64_t* seconds, int32_t* milliseconds) {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    const int64_t since_epoch_ms = (ticks - kEpochOffsetTicks) / kTicksPerMillisecond;
    *seconds = since_epoch_ms / 1000;
    *milliseconds = static_cast<int32_t>(since_epoch_ms % 1000);
}

void load_time_zone() {
    ::_tzset();
}

}  // namespace plat
