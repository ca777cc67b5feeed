// The clear-error status query of a serial port on Windows: ClearCommError
// returns and clears the latched line errors and reports the queue counts.
#include "platform/serial_port.h"
#include "platform/win32/windows_api.h"

namespace plat {

// The portable error bits are the system's own.
static_assert(kCommErrorRxOver == CE_RXOVER && kCommErrorOverrun == CE_OVERRUN &&
              kCommErrorParity == CE_RXPARITY && kCommErrorFrame == CE_FRAME &&
              kCommErrorBreak == CE_BREAK);

bool serial_clear_error(port_handle port, comm_status* status) {
    if (port == kInvalidPort) return false;
    DWORD errors = 0;
    COMSTAT queues{};
    if (!::ClearCommError(win32::to_handle(port), &errors, &queues)) return false;
    if (status != nullptr) {
        status->errors = errors;
        status->in_queue = queues.cbInQue;
        status->out_queue = queues.cbOutQue;
    }
    return true;
}

}  // namespace plat
