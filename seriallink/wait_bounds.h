// Bounds of the waits of the serial links: the two of the port layer that
// the line alone could make endless (sio_send_data waiting for the output
// queue to empty, sio_clear_buffer waiting for a quiet line), the instrument
// board link's wait for the first byte of a frame, and the scale of every
// read time-out the layer puts on a port. Tests shorten them.
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
    // The read time-out, in whole seconds, while the length byte of a frame
    // from the instrument board is awaited.
    std::atomic<int32_t> board_first_byte_s{10};

    // The read time-outs the layer puts on a port (the seconds of
    // sio_set_timeout, the read figures of sio_init, the quiet window of
    // sio_clear_buffer), in thousandths of their value: a test against a
    // hostile peer shrinks them, so that a byte that never comes costs
    // milliseconds rather than seconds. sio_get_timeout reads seconds of
    // the same scale.
    std::atomic<int32_t> read_timeout_permille{1000};
};

wait_bounds& bounds();

// A read time-out of the layer, in milliseconds, under the scale above;
// never 0 for a wait that is not 0.
uint32_t scaled_read_ms(uint32_t milliseconds);

}  // namespace seriallink
