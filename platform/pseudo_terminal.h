// Pseudo-terminals: a pair of connected terminal devices, one side opened by
// path as a serial port, the other driven by a simulated peer. Simulators and
// their tests use them; no POSIX pseudo-terminal exists on Win32, where
// pty_open fails.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/serial_port.h"

namespace plat {

// Whether this system has pseudo-terminals at all.
#if defined(_WIN32)
inline constexpr bool kHasPseudoTerminals = false;
#else
inline constexpr bool kHasPseudoTerminals = true;
#endif

struct pty_pair {
    port_handle peer = kInvalidPort;    // the driving side (non-blocking)
    port_handle anchor = kInvalidPort;  // a device-side handle that keeps the device alive
    char device_path[128] = {};         // open this as the serial port
    bool holds_framing = false;         // see pty_line_settings::framing_known
};

// Opens a pair with the device side in raw mode at 9600 8-N-1.
bool pty_open(pty_pair* pair);
void pty_close(pty_pair* pair);

// Waits up to wait_ms for bytes from the device side and reads what is
// there, at most size bytes. Bytes read, 0 on time-out, -1 on failure.
int64_t pty_read(port_handle peer, void* buffer, size_t size, int wait_ms);

// Writes what the device side can take now. Bytes written (maybe 0), -1 on failure.
int64_t pty_write(port_handle peer, const void* bytes, size_t size);

// The device side's line settings, as the peer sees them.
struct pty_line_settings {
    uint32_t baud;      // 0 when not a standard rate
    uint8_t data_bits;  // 5 to 8
    char parity;        // 'N', 'O', 'E', 'M' or 'S'
    bool parity_check;  // input parity checking
    uint8_t stop_bits;  // 1 or 2
    bool xon_xoff_out;  // output obeys XON/XOFF
    bool xon_xoff_in;   // input sends XON/XOFF
    bool cts_flow;      // hardware flow control
    uint8_t xon_char;
    uint8_t xoff_char;
    bool raw;  // no line editing, echo or output processing
    // Whether this kind of terminal holds byte size and parity at all; Linux
    // pseudo-terminals force 8 bits without parity, so data_bits and parity
    // then tell nothing about what the port asked for.
    bool framing_known;
};
bool pty_get_line_settings(const pty_pair& pair, pty_line_settings* settings);

}  // namespace plat
