// Bounds of the two waits of the layer that the line alone could make
// endless: sio_send_data waiting for the output queue to empty, and
// sio_clear_buffer waiting for a quiet line. Tests shorten them.
#pragma once

#include <atomic>
#include <cstdint>

namespace seriallink {

struct wait_bounds {
    // The long waits of the wave monitor and temperature sensor links: the
    // read time-out in whole seconds while the first byte of an answer is
    // awaited, each round of the wave monitor's laser switch wait, and the
    // settling time after the temperature sensor's set-up.
    std::atomic<int32_t> wm_first_byte_s{10};
    std::atomic<int32_t> wm_laser_round_ms{1000};
    std::atomic<int32_t> temp_first_byte_s{10};
    std::atomic<int32_t> temp_settle_ms{5000};

    // Added to the time the bytes need at the line's baud rate.
    std::atomic<int64_t> send_drain_ms{10000};
    // How long a line may keep talking before sio_clear_buffer gives up.
    std::atomic<int64_t> clear_quiet_ms{5000};
};

wait_bounds& bounds();

}  // namespace seriallink
