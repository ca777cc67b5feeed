// What the Win32 serial backend keeps per open port: the device-control
// fields that the driver did not take as written. Windows' own drivers hold
// the whole record; others (Wine's, on a pseudo-terminal) drop some fields,
// which are then read back as written, as on every backend.
#pragma once

#include "platform/serial_port.h"

namespace plat::win32 {

// Records a written control record and what the driver reported right after.
void keep_control(port_handle port, const serial_control& written, const serial_control& held);

// Replaces the fields the driver did not hold with the values written.
void apply_kept_control(port_handle port, serial_control* control);

// Drops what was kept for a port (at open and close).
void forget_kept_control(port_handle port);

}  // namespace plat::win32
