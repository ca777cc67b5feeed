// Serial ports.
#pragma once

#include <cstdint>

namespace plat {

// An open port's system handle; kInvalidPort when none.
using port_handle = int64_t;
inline constexpr port_handle kInvalidPort = -1;

// What the clear-error status query reports: pending line errors (cleared by
// the query) and the byte counts waiting in the input and output queues.
struct comm_status {
    uint32_t errors;
    uint32_t in_queue;
    uint32_t out_queue;
};

// Clears and reports the port's error state and queue counts.
bool serial_clear_error(port_handle port, comm_status* status);

}  // namespace plat
