// Moving bytes: send with a wait for the output queue to empty, read under
// the port's time-outs, the input-queue count, and draining the line.
#include <chrono>
#include <cstdint>
#include <thread>

#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"

namespace {

using clock_type = std::chrono::steady_clock;

constexpr uint32_t kPurgeReceived = plat::kPurgeRxAbort | plat::kPurgeRxClear;
constexpr uint32_t kPurgeUnsent = plat::kPurgeTxAbort | plat::kPurgeTxClear;
constexpr uint32_t kQuietWindowMs = 100;

int64_t elapsed_ms(clock_type::time_point since) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - since).count();
}

// Milliseconds the line needs to send count bytes with its framing; the
// layer's default line when the settings cannot be read.
int64_t line_time_ms(plat::port_handle port, uint32_t count) {
    plat::serial_control control{};
    if (!plat::serial_get_control(port, &control) || control.baud_rate == 0) {
        control.baud_rate = 9600;
        control.byte_size = 8;
        control.parity = plat::kParityNone;
        control.stop_bits = plat::kOneStopBit;
    }
    const int64_t bits_per_byte = 1 + control.byte_size +
                                  (control.parity != plat::kParityNone ? 1 : 0) +
                                  (control.stop_bits == plat::kOneStopBit ? 1 : 2);
    const int64_t bits = bits_per_byte * count;
    return (bits * 1000 + control.baud_rate - 1) / control.baud_rate;
}

// Waits until the driver's output queue is empty or it reports a line error.
// False when that did not happen within the bound.
bool wait_output_drained(plat::port_handle port, uint32_t count) {
    const int64_t limit = seriallink::bounds().send_drain_ms.load() + line_time_ms(port, count);
    const auto start = clock_type::now();
    for (;;) {
        plat::comm_status status{};
        if (plat::serial_clear_error(port, &status) &&
            (status.out_queue == 0 || status.errors != 0)) {
            return true;
        }
        if (elapsed_ms(start) > limit) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// What a drain purges: everything received, and the output only while the
// driver still holds bytes of it. A send waits for its output queue to
// empty, so on a real line an empty queue has nothing left to purge; a
// pseudo-terminal's queue reads empty as soon as a write returns, and
// purging it would take back bytes of a frame the peer has not read yet.
uint32_t drain_purge_flags(plat::port_handle port) {
    plat::comm_status status{};
    const bool unsent = !plat::serial_clear_error(port, &status) || status.out_queue > 0;
    return kPurgeReceived | (unsent ? kPurgeUnsent : 0);
}

}  // namespace

int32_t sio_send_data(plat::port_handle port, const void* bytes, int32_t count,
                      uint32_t* count_written) {
    if (count_written != nullptr) *count_written = 0;
    if (count < 0 || (bytes == nullptr && count > 0)) return 1;
    uint32_t written = 0;
    const bool wrote = plat::serial_write(port, bytes, static_cast<uint32_t>(count), &written);
    if (count_written != nullptr) *count_written = written;
    // A failed write is already a failure; nothing to wait for.
    if (!wrote) return 1;
    const bool drained = wait_output_drained(port, written);
    return written == static_cast<uint32_t>(count) && drained ? 0 : 1;
}

int32_t sio_read_data(plat::port_handle port, void* buffer, int32_t count, uint32_t* count_read) {
    if (count_read != nullptr) *count_read = 0;
    if (count < 0 || (buffer == nullptr && count > 0)) return 1;
    // An error latched on the line must not abort the read.
    plat::comm_status status{};
    plat::serial_clear_error(port, &status);
    uint32_t got = 0;
    plat::serial_read(port, buffer, static_cast<uint32_t>(count), &got);
    if (count_read != nullptr) *count_read = got;
    const bool queried = plat::serial_clear_error(port, &status);
    return queried && got == static_cast<uint32_t>(count) ? 0 : 1;
}

int32_t sio_bytes_waiting(plat::port_handle port, int32_t* count) {
    plat::comm_status status{};
    const bool queried = plat::serial_clear_error(port, &status);
    if (count == nullptr) return 1;
    *count = !queried                      ? 0
             : status.in_queue > INT32_MAX ? INT32_MAX
                                           : static_cast<int32_t>(status.in_queue);
    return queried ? 0 : 1;
}

int32_t sio_clear_buffer(plat::port_handle port) {
    if (port == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    plat::serial_timeouts saved{};
    const bool have_timeouts = plat::serial_get_timeouts(port, &saved);
    if (have_timeouts) {
        plat::serial_timeouts quiet = saved;
        quiet.read_total_constant = seriallink::scaled_read_ms(kQuietWindowMs);
        plat::serial_set_timeouts(port, quiet);
    }
    const int64_t limit = seriallink::bounds().clear_quiet_ms.load();
    const auto start = clock_type::now();
    bool purged = false;
    bool got_byte = false;
    do {
        purged = plat::serial_purge(port, drain_purge_flags(port));
        got_byte = false;
        if (purged) {
            unsigned char byte = 0;
            uint32_t got = 0;
            plat::serial_read(port, &byte, 1, &got);
            got_byte = got == 1;
        }
    } while (purged && got_byte && elapsed_ms(start) <= limit);
    if (have_timeouts) plat::serial_set_timeouts(port, saved);
    return purged && !got_byte ? 0 : 1;
}
