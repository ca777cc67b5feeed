// Serial ports: exclusive open of a named port, line settings, time-outs,
// queues, purge, the DTR line and the clear-error status query.
//
// The records follow the communications interface the serial layer was
// written for: a device-control record fetched and written back whole, and a
// time-out record in milliseconds. Fields a backend cannot put on the line
// are kept by the backend and read back as written.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// An open port's system handle; kInvalidPort when none.
using port_handle = int64_t;
inline constexpr port_handle kInvalidPort = -1;

// Line error bits reported by serial_clear_error.
inline constexpr uint32_t kCommErrorRxOver = 0x01;   // input queue overflow
inline constexpr uint32_t kCommErrorOverrun = 0x02;  // character buffer overrun
inline constexpr uint32_t kCommErrorParity = 0x04;
inline constexpr uint32_t kCommErrorFrame = 0x08;
inline constexpr uint32_t kCommErrorBreak = 0x10;

// What the clear-error status query reports: pending line errors (cleared by
// the query) and the byte counts waiting in the input and output queues.
struct comm_status {
    uint32_t errors;
    uint32_t in_queue;
    uint32_t out_queue;
};

// Clears and reports the port's error state and queue counts.
bool serial_clear_error(port_handle port, comm_status* status);

// ---- device-control record ------------------------------------------------

inline constexpr uint8_t kParityNone = 0;
inline constexpr uint8_t kParityOdd = 1;
inline constexpr uint8_t kParityEven = 2;
inline constexpr uint8_t kParityMark = 3;
inline constexpr uint8_t kParitySpace = 4;

inline constexpr uint8_t kOneStopBit = 0;
inline constexpr uint8_t kOneAndHalfStopBits = 1;
inline constexpr uint8_t kTwoStopBits = 2;

inline constexpr uint8_t kDtrControlDisable = 0;
inline constexpr uint8_t kDtrControlEnable = 1;
inline constexpr uint8_t kDtrControlHandshake = 2;

inline constexpr uint8_t kRtsControlDisable = 0;
inline constexpr uint8_t kRtsControlEnable = 1;
inline constexpr uint8_t kRtsControlHandshake = 2;
inline constexpr uint8_t kRtsControlToggle = 3;

struct serial_control {
    uint32_t baud_rate;
    bool binary;
    bool parity_check;     // report and drop parity errors on input
    bool outx_cts_flow;    // hold output while CTS is low
    bool outx_dsr_flow;    // hold output while DSR is low
    uint8_t dtr_control;   // kDtrControl*
    bool dsr_sensitivity;  // ignore input while DSR is low
    bool tx_continue_on_xoff;
    bool out_x;           // obey XOFF/XON from the peer
    bool in_x;            // send XOFF/XON when the input queue fills/empties
    bool error_char_on;   // replace bytes with parity errors by error_char
    bool null_strip;      // discard null bytes on input
    uint8_t rts_control;  // kRtsControl*
    bool abort_on_error;  // fail reads and writes until errors are cleared
    uint16_t xon_limit;
    uint16_t xoff_limit;
    uint8_t byte_size;  // 5 to 8
    uint8_t parity;     // kParity*
    uint8_t stop_bits;  // kOneStopBit, kOneAndHalfStopBits, kTwoStopBits
    char xon_char;
    char xoff_char;
    char error_char;
    char eof_char;
    char event_char;
};

// ---- time-outs, milliseconds ----------------------------------------------
//
// A read ends when its count has come, when the total time
// (read_total_multiplier x count + read_total_constant) is up, or when the
// gap after a received byte exceeds read_interval. Zero means "not used" for
// the interval and, when both total figures are zero, for the total. An
// interval of kTimeoutMax with zero totals returns at once with what is
// waiting; an interval and a multiplier of kTimeoutMax with a constant
// between 0 and kTimeoutMax wait up to the constant for the first byte and
// then return what is waiting. Writes end when the write total is up.
inline constexpr uint32_t kTimeoutMax = 0xFFFFFFFFu;

struct serial_timeouts {
    uint32_t read_interval;
    uint32_t read_total_multiplier;
    uint32_t read_total_constant;
    uint32_t write_total_multiplier;
    uint32_t write_total_constant;
};

// ---- operations ----------------------------------------------------------

// Event mask bit: a byte was received.
inline constexpr uint32_t kEventRxChar = 0x0001;

// Purge flags: abort pending writes/reads, clear the output/input queue.
inline constexpr uint32_t kPurgeTxAbort = 0x0001;
inline constexpr uint32_t kPurgeRxAbort = 0x0002;
inline constexpr uint32_t kPurgeTxClear = 0x0004;
inline constexpr uint32_t kPurgeRxClear = 0x0008;

// The device a port name stands for. On POSIX "COMn" (n from 1, also behind a
// "\\.\" prefix, any letter case) is /dev/ttyS(n-1); any other name is a
// device path. False when the result does not fit the buffer.
bool serial_device_path(const char* name, char* path, size_t size);

// Opens an existing port for reading and writing, kept from every other
// opener. kInvalidPort on failure.
port_handle serial_open(const char* name);

// Which events the port reports, and the queue sizes asked of the driver.
// Both fail when the handle is not a serial port.
bool serial_set_event_mask(port_handle port, uint32_t events);
bool serial_setup_queues(port_handle port, uint32_t in_size, uint32_t out_size);

bool serial_get_control(port_handle port, serial_control* control);
bool serial_set_control(port_handle port, const serial_control& control);

bool serial_get_timeouts(port_handle port, serial_timeouts* timeouts);
bool serial_set_timeouts(port_handle port, const serial_timeouts& timeouts);

// Synchronous transfers under the port's time-outs. The count moved is
// always stored; a time-out is not a failure, a short count tells it.
bool serial_read(port_handle port, void* buffer, uint32_t count, uint32_t* count_read);
bool serial_write(port_handle port, const void* bytes, uint32_t count, uint32_t* count_written);

bool serial_purge(port_handle port, uint32_t flags);

// Raises or lowers DTR. Fails on lines without modem control (pseudo-terminals).
bool serial_set_dtr(port_handle port, bool raised);

// Closes the port; false when the handle was not open.
bool serial_close(port_handle port);

}  // namespace plat
