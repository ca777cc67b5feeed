// The settings text of sio_init: "baud,data bits,parity,stop bits".
#pragma once

#include <cstdint>

#include "platform/serial_port.h"

namespace seriallink {

// Parses the text into the fetched control record, each field stored as it
// is accepted. Returns 0, ERR_INVALID_PARAM or ERR_PARAM_OUT_OF_RANGE; sets
// *silent when the failure must not be reported by the caller's message.
int32_t parse_settings_text(const char* text, plat::serial_control* control, bool* silent);

// The line sio_init uses when no text (or an ignored text) is given.
void set_default_line(plat::serial_control* control);

// True for the texts that select the defaults with a notice: the stdio open
// modes "r", "r+", "w", "w+", "a" and "a+".
bool is_ignored_settings_text(const char* text);

}  // namespace seriallink
