// What the POSIX serial backend keeps per open port beside the terminal
// settings: the fields of the control record that termios cannot hold, the
// time-out record, and the line-error counters already reported.
#pragma once

#include <functional>

#include "platform/serial_port.h"

namespace plat::posix_serial {

struct line_counters {
    int frame = 0;
    int overrun = 0;
    int parity = 0;
    int brk = 0;
    int buf_overrun = 0;
};

struct port_state {
    serial_control kept{};  // fields without a termios bit, as last written
    bool one_and_half_stop_bits = false;
    // The driver does not hold byte size and parity (pseudo-terminals carry
    // plain 8-bit bytes): the record keeps what was written.
    bool framing_kept = false;
    serial_timeouts timeouts{};
    uint32_t event_mask = 0;
    uint32_t in_queue_size = 0;
    uint32_t out_queue_size = 0;
    bool counters_supported = true;
    line_counters acknowledged{};  // counters at the last clear-error query
};

// A copy of the port's state; a default state for a port never registered.
port_state load_state(int fd);

// Changes the port's state under the registry lock, registering it if new.
void change_state(int fd, const std::function<void(port_state&)>& change);

// Changes the state only of a registered port; false for any other handle.
bool change_registered(int fd, const std::function<void(port_state&)>& change);

// Starts a fresh state for a newly opened port / drops it at close.
void register_port(int fd);
void forget_port(int fd);

// Line errors counted by the driver since the last acknowledgement, as
// kCommError* bits; with acknowledge set they become the new baseline.
// Lines without error counters (pseudo-terminals) report none.
uint32_t take_line_errors(int fd, bool acknowledge);

}  // namespace plat::posix_serial
