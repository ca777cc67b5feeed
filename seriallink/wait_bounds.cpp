#include "seriallink/wait_bounds.h"

namespace seriallink {

wait_bounds& bounds() {
    static wait_bounds instance;
    return instance;
}

uint32_t scaled_read_ms(uint32_t milliseconds) {
    const int64_t permille = bounds().read_timeout_permille.load();
    if (permille == 1000 || milliseconds == 0) return milliseconds;
    const int64_t scaled = int64_t{milliseconds} * (permille > 0 ? permille : 1) / 1000;
    // kTimeoutMax has a meaning of its own in the time-out record.
    constexpr int64_t kLongest = UINT32_MAX - 1;
    return scaled < 1 ? 1 : static_cast<uint32_t>(scaled < kLongest ? scaled : kLongest);
}

}  // namespace seriallink
