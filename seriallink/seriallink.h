// The serial port layer: opening, configuring, reading, writing, draining and
// closing a serial port. Every serial peer of the library goes through it.
//
// The configuration functions return an error code (0 on success). The data
// functions sio_send_data, sio_read_data and sio_bytes_waiting return 0 for
// success and 1 for failure, as does sio_clear_buffer apart from its
// ERR_SERIAL_NOT_OPEN; their callers turn the 1 into a code of their own.
#pragma once

#include <cstdint>

#include "instrument/instrument.h"
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

// ---- instrument board link ------------------------------------------------
//
// The binary protocol of the instrument board (UZ1, UZ2, NIF and FTP boards).
// Every frame, in both directions, is: length byte L (the bytes that follow),
// code, L - 2 parameter or data bytes, checksum (the sum of code and
// parameters modulo 256). Multi-byte values are big-endian. The board answers
// a request with an acknowledgement (code 0xFF), a negative acknowledgement
// (0xFE) or a data response that echoes the command code, and may send
// reports of its own at any time.

// Command codes of the four boards: UZ1_*_CMD, UZ2_*_CMD, NIF_*_CMD, FTP_*_CMD.
enum : uint8_t {
#define UZ_COMMAND(board, code, name, request, response) name = code,
#include "seriallink/uz_commands.inc"
#undef UZ_COMMAND
};

// Response types of ur_readUZ: what the caller waits for.
enum : int32_t {
    UZ_RESP_ACK = 1,   // an acknowledgement
    UZ_RESP_DATA = 2,  // a data response
    UZ_RESP_INFO = 3,  // a report of the board's own
};

// Link status values of ur_readUZ besides error codes. They are not codes of
// the error table; ur_writeUZ consumes them and never passes them on.
inline constexpr int32_t UZ_CHECKSUM_ERR = 254;
inline constexpr int32_t UZ_NAK_RECEIVED = 255;

// Response codes.
inline constexpr uint8_t UZ_ACK = 0xFF;
inline constexpr uint8_t UZ_NAK = 0xFE;

// The largest length byte; a response buffer holds UZ_FRAME_BUFFER_SIZE bytes.
inline constexpr int32_t UZ_MAX_FRAME_LENGTH = 127;
inline constexpr int32_t UZ_FRAME_BUFFER_SIZE = 128;

// The most ramp values one ramp data frame carries.
inline constexpr int32_t UZ_RAMP_DATA_MAX_VALUES = 1024;

// One entry of a board's command table: its request and response length.
struct ur_cmd_lengths {
    uint8_t request;
    uint8_t response;
};

// The command table and the command name table of a board type, indexed by
// command code, with their number of entries in *count. Null (and a count of
// 0) for a board type that does not speak the protocol.
const ur_cmd_lengths* ur_cmd_table(int32_t board_type, int32_t* count);
const char* const* ur_cmd_names(int32_t board_type, int32_t* count);

// The name of a command of a board type; codes beyond the table name the
// board's invalid command. Null for a board type that does not speak the
// protocol.
const char* ur_board_cmd_name(int32_t board_type, uint8_t code);

// The command that carries ramp values on a board type; 0 for none.
uint8_t ur_ramp_data_cmd(int32_t board_type);

// True for the four board types that speak the protocol; false for no record.
bool ur_is_uz_board(const sys_info* info);

// Sum of count bytes modulo 256.
uint8_t ur_checksum(const uint8_t* bytes, int32_t count);

// The name of a command of the board whose line holds port: "INVALID_PARAM"
// when no instrument record holds it, "" (after a message) when the record's
// board does not speak the protocol.
const char* ur_cmd_str(plat::port_handle port, uint8_t code);

// Opens the record's board line at 38400 8-N-1 and registers it with the
// device manager (device type 2, the record as context). A line already open
// is closed first. Failures: ERR_INVALID_PARAM for no record, else
// ERR_UZ_COMM after a message naming the port and the failing step's code.
int32_t ur_initUZ(sys_info* info);

// Unregisters the line from the device manager, then closes it.
int32_t ur_closeUZ(plat::port_handle* port);

// Drains the line.
int32_t ur_flushUZ(plat::port_handle* port);

// One exchange. frame holds the length L at byte 0, the command code at
// byte 1 and the parameters from byte 2; the checksum is written at byte L
// (the buffer must have room for it) unless no_checksum is set, in which case
// frame is a complete frame of length bytes. Sent up to three times while the
// board answers with a NAK or a bad checksum. With expect_data, the data
// response (code, data, checksum; as long as the command table says) is
// copied over frame from byte 0; a failed exchange leaves frame as sent.
int32_t ur_writeUZ(plat::port_handle* port, int32_t length, uint8_t* frame, int32_t expect_data,
                   int32_t no_checksum);

// Reads one frame into buffer (UZ_FRAME_BUFFER_SIZE bytes) and classifies it
// by the board of the record that holds the line and by resp_type; up to
// two reports are skipped while an answer is awaited. On success
// *resp_length is the frame's length byte (0 for a length byte of 0 or above
// 127). Returns 0, an error code, UZ_CHECKSUM_ERR or UZ_NAK_RECEIVED.
int32_t ur_readUZ(plat::port_handle* port, uint8_t* buffer, int32_t resp_type,
                  int32_t* resp_length);

// Requests of the common shapes on the record's board line: length is the
// request length from the board's command table (2 to 127, and room for the
// parameters), parameters go out big-endian, the board acknowledges.
int32_t ur_send_cmd(sys_info* info, int32_t length, uint8_t code);
int32_t ur_send_byte(sys_info* info, int32_t length, uint8_t code, uint8_t value);
int32_t ur_send_2bytes(sys_info* info, int32_t length, uint8_t code, uint8_t first, uint8_t second);
int32_t ur_send_u16(sys_info* info, int32_t length, uint8_t code, uint16_t value);
int32_t ur_send_u32(sys_info* info, int32_t length, uint8_t code, uint32_t value);

// A request without parameters answered by a data response, which is left in
// response (code at byte 0, data from byte 1, then the checksum); size is
// the room there and must hold the response length of the board's table.
int32_t ur_query(sys_info* info, int32_t length, uint8_t code, uint8_t* response, int32_t size);

// Builds the ramp data frame of a board type into frame (size bytes): length
// byte, code, value count, header checksum, the values, data checksum. Its
// size goes to *frame_length. ERR_INVALID_PARAM when the values do not fit.
int32_t ur_ramp_data_frame(int32_t board_type, const uint16_t* values, int32_t count,
                           uint8_t* frame, int32_t size, int32_t* frame_length);

// Sends up to UZ_RAMP_DATA_MAX_VALUES ramp values in one frame; the board's
// one data byte goes to *answer.
int32_t ur_send_ramp_data(sys_info* info, const uint16_t* values, int32_t count, uint8_t* answer);

// Decodes a report frame as ur_readUZ leaves it (code, value, checksum;
// length bytes) into the event number and value the instrument control layer
// acts on. ERR_UZ_RECV_FAILED for a code or value the board type does not
// report.
int32_t ur_decode_report(int32_t board_type, const uint8_t* frame, int32_t length, int32_t* event,
                         int32_t* value);

// Reads one report from the board line and decodes it.
int32_t ur_read_report(plat::port_handle* port, int32_t* event, int32_t* value);
