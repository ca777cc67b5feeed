// The read time-out in whole seconds: the total constant of the port's
// time-out record, which keeps milliseconds (under the layer's read scale).
#include "errors/errors.h"
#include "seriallink/seriallink.h"
#include "seriallink/wait_bounds.h"

int32_t sio_get_timeout(plat::port_handle port, int32_t* seconds) {
    if (seconds != nullptr) *seconds = 0;
    if (port == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    if (seconds == nullptr) return ERR_INVALID_PARAM;
    plat::serial_timeouts timeouts{};
    if (!plat::serial_get_timeouts(port, &timeouts)) return ERR_CANT_GET_SERIAL;
    *seconds = static_cast<int32_t>(timeouts.read_total_constant / seriallink::scaled_read_ms(1000));
    return NO_ERROR;
}

int32_t sio_set_timeout(plat::port_handle port, int32_t seconds) {
    if (port == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    // The milliseconds must fit the record; kTimeoutMax itself has a meaning
    // of its own there.
    const int64_t milliseconds = static_cast<int64_t>(seconds) * 1000;
    if (milliseconds < 0 || milliseconds >= plat::kTimeoutMax) return ERR_PARAM_OUT_OF_RANGE;
    plat::serial_timeouts timeouts{};
    if (!plat::serial_get_timeouts(port, &timeouts)) return ERR_CANT_SET_SERIAL;
    timeouts.read_total_constant = seriallink::scaled_read_ms(static_cast<uint32_t>(milliseconds));
    return plat::serial_set_timeouts(port, timeouts) ? NO_ERROR : ERR_CANT_SET_SERIAL;
}
