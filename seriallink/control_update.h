// The read-modify-write of the line settings shared by the configuration
// functions: check the handle, fetch the record, change the fields, write it.
#pragma once

#include <cstdint>

#include "errors/errors.h"
#include "platform/serial_port.h"

namespace seriallink {

template <typename Change>
int32_t update_control(plat::port_handle port, Change change) {
    if (port == plat::kInvalidPort) return ERR_SERIAL_NOT_OPEN;
    plat::serial_control control{};
    if (!plat::serial_get_control(port, &control)) return ERR_CANT_GET_SERIAL;
    change(control);
    return plat::serial_set_control(port, control) ? NO_ERROR : ERR_CANT_SET_SERIAL;
}

// XON/XOFF in both directions, with the characters and limits the layer
// always uses alongside (the limits suit its 4096-byte queues).
inline void set_xonxoff(plat::serial_control* control, bool on) {
    control->out_x = on;
    control->in_x = on;
    control->xon_char = 0x11;
    control->xoff_char = 0x13;
    control->xon_limit = 100;
    control->xoff_limit = 3996;
}

}  // namespace seriallink
