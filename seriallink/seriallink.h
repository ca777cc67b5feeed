// The serial port layer: opening, configuring, reading, writing, draining and
// closing a serial port. Every serial peer of the library goes through it.
//
// The configuration functions return an error code (0 on success). The data
// functions sio_send_data, sio_read_data and sio_bytes_waiting return 0 for
// success and 1 for failure, as does sio_clear_buffer apart from its
// ERR_SERIAL_NOT_OPEN; their callers turn the 1 into a code of their own.
#pragma once

#include <cstdint>

#include "platform/serial_port.h"

// The line-settings record fetched and written by sio_get_state/sio_set_state.
using sio_control = plat::serial_control;

// ---- opening and closing --------------------------------------------------

// Opens the named port exclusively ("COMn" or a device path) and stores its
// handle in *handle, also when that is the invalid value. A handle stored
// with ERR_CANT_SET_SERIAL is open; the caller closes it.
int32_t sio_open(const char* port_name, plat::port_handle* handle);

// Drops DTR, purges both queues and closes; *handle becomes the invalid value
// only when the close succeeded.
int32_t sio_close(plat::port_handle* handle);

// ---- line set-up ----------------------------------------------------------

// Full line set-up from a settings text "baud,data bits,parity,stop bits"
// (absent: 9600,8,0,1), with XON/XOFF flow control when flow_control is
// nonzero, else CTS output flow control and abort-on-error; default
// time-outs (2 s per read, 100 ms gap, 1 s per write); raises DTR.
int32_t sio_init(plat::port_handle port, const char* settings, uint8_t flow_control);
int32_t sio_init_xonxoff(plat::port_handle port, const char* settings);

int32_t sio_set_baud(plat::port_handle port, int32_t baud);
int32_t sio_set_parity(plat::port_handle port, int32_t parity);  // 0 none, 1 odd, 2 even
int32_t sio_set_data_bits(plat::port_handle port, uint8_t data_bits);
int32_t sio_xonxoff_on(plat::port_handle port);
int32_t sio_xonxoff_off(plat::port_handle port);

// The read time-out in whole seconds (the total constant of a read).
int32_t sio_get_timeout(plat::port_handle port, int32_t* seconds);
int32_t sio_set_timeout(plat::port_handle port, int32_t seconds);

int32_t sio_get_state(plat::port_handle port, sio_control* control);
int32_t sio_set_state(plat::port_handle port, const sio_control* control);

// ---- data -----------------------------------------------------------------

// Writes count bytes and waits until they have left the driver. 0 only when
// all were written (and the output queue emptied in time).
int32_t sio_send_data(plat::port_handle port, const void* bytes, int32_t count,
                      uint32_t* count_written);

// Reads up to count bytes under the port's time-outs. The count read is
// stored and the bytes stay in the buffer also on failure; 0 only when all
// count bytes came.
int32_t sio_read_data(plat::port_handle port, void* buffer, int32_t count, uint32_t* count_read);

// Bytes waiting in the input queue (0 and result 1 when the query fails).
int32_t sio_bytes_waiting(plat::port_handle port, int32_t* count);

// Discards everything pending until the line has been quiet for 100 ms.
int32_t sio_clear_buffer(plat::port_handle port);

// ---- peer line set-ups ----------------------------------------------------

// The line each serial peer of the library works with, applied to a port
// just opened; the first failing step's code is the result.
enum sio_peer_line : int32_t {
    SIO_LINE_INSTRUMENT_BOARD = 0,     // 38400 8-N-1
    SIO_LINE_WAVE_MONITOR = 1,         // 115200 8-N-1
    SIO_LINE_TEMP_SENSOR = 2,          // 9600 7-E-1
    SIO_LINE_LLC = 3,                  // 9600 8-N-1
    SIO_LINE_LLC_LONG_TIMEOUT = 4,     // 9600 8-N-1, 40 s read time-out
    SIO_LINE_POSITION_INSTRUMENT = 5,  // 115200 8-N-1, CTS flow, abort-on-error
};
int32_t sio_setup_peer_line(plat::port_handle port, sio_peer_line line);
