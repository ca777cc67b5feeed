// Wall-clock time in seconds and microseconds.
#include <mutex>

#include "platform/platform.h"
#include "util/util.h"

namespace {
std::once_flag time_zone_loaded;
}

void u_wall_time(int64_t* seconds, int32_t* microseconds) {
    std::call_once(time_zone_loaded, plat::load_time_zone);
    int32_t milliseconds = 0;
    plat::wall_clock(seconds, &milliseconds);
    *microseconds = milliseconds * 1000;
}

double u_wall_seconds() {
    int64_t seconds = 0;
    int32_t microseconds = 0;
    u_wall_time(&seconds, &microseconds);
    return static_cast<double>(seconds) + microseconds / 1'000'000.0;
}
