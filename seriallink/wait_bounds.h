// Bounds of the two waits of the layer that the line alone could make
// endless: sio_send_data waiting for the output queue to empty, and
// sio_clear_buffer waiting for a quiet line. Tests shorten them.
#pragma once

#include <atomic>
#include <cstdint>

namespace seriallink {

struct wait_bounds {
    // Added to the time the bytes need at the line's baud rate.
    std::atomic<int64_t> send_drain_ms{10000};
    // How long a line may keep talking before sio_clear_buffer gives up.
    std::atomic<int64_t> clear_quiet_ms{5000};
};

wait_bounds& bounds();

}  // namespace seriallink
