// The bound of the frame grab's wait for a frame. Production keeps
// ACQ_FRAME_TIMEOUT_MS; tests shorten it.
#pragma once

#include <atomic>
#include <cstdint>

#include "acquisition/acquisition.h"

namespace acquisition {

struct grab_bounds {
    std::atomic<int64_t> frame_timeout_ms{ACQ_FRAME_TIMEOUT_MS};
};

grab_bounds& bounds();

}  // namespace acquisition
