// Seconds since the epoch and their local broken-down form.
#include <ctime>

#include "platform/platform.h"
#include "util/util.h"

int64_t u_time(int64_t* out) {
    const auto now = static_cast<int64_t>(std::time(nullptr));
    if (out != nullptr) *out = now;
    return now;
}

const std::tm* u_local_time(int64_t time) {
    thread_local std::tm local{};
    return plat::local_time(time, &local) ? &local : nullptr;
}
