// Reading single bytes, as the wave monitor and temperature sensor links read
// their answers. Internal to seriallink/.
#pragma once

#include <cstdint>

#include "platform/serial_port.h"

// One byte under the port's time-outs; false when none came.
bool sio_read_one(plat::port_handle port, uint8_t* byte);

// One byte, awaited wait_s seconds: the port's read time-out is set for this
// read and put back after it. The code of reading or setting the time-out
// (0 when both went well); *came tells whether the byte came.
int32_t sio_read_first_byte(plat::port_handle port, int32_t wait_s, uint8_t* byte, bool* came);
