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

// ---- wave monitor link -----------------------------------------------------
//
// The wave monitor watches and switches the tuned laser and knows its own
// calibration and sweep limits. Commands are ASCII texts ended by a carriage
// return, at 115200 8-N-1; the device answers with ACK or NAK, with binary
// data (little-endian) followed by ACK or NAK, or with binary data alone.
// Functions that take the address of the port handle variable give
// ERR_INVALID_PARAM for a null address.

struct u_bytebuf;

// Response kinds of wm_comm_read.
enum : int32_t {
    WM_RESP_ACK = 1,            // one byte: ACK or NAK
    WM_RESP_READ = 2,           // respLen data bytes, no acknowledgement
    WM_RESP_READ_ACK = 3,       // respLen data bytes, then ACK or NAK
    WM_RESP_SIZE_READ_ACK = 4,  // a 4-byte element count n, respLen bytes and n elements, then
                                // ACK or NAK
};

inline constexpr uint8_t WM_ACK = 0x06;
inline constexpr uint8_t WM_NAK = 0x15;
inline constexpr uint8_t WM_COMMAND_END = 0x0D;  // after every command text
// The most bytes one answer may make the link allocate.
inline constexpr int64_t WM_MAX_RESPONSE = 1 << 20;

// Bits of the status flags (status word 8).
inline constexpr uint32_t WM_FLAG_CALIBRATED = 1u << 0;
inline constexpr uint32_t WM_FLAG_LASER_ON = 1u << 15;
inline constexpr uint32_t WM_FLAG_FULL_CAL = 1u << 30;         // the full "CC?" record is there
inline constexpr uint32_t WM_FLAG_NO_SECOND_QUERY = 1u << 31;  // no second "MS?" for bit 30
inline constexpr uint32_t WM_UPPER_FLAGS = 0xF0000000u;

// The nine words of the "MS?" answer.
struct wm_status {
    uint32_t word0;
    float value1;
    float value2;
    float maxRange;  // in units of 10^6
    float minRate;   // in units of 10^6
    float maxRate;   // in units of 10^6
    uint32_t calAge;  // seconds since the calibration
    uint32_t word7;
    uint32_t flags;
};

// The 40-byte calibration record of the full "CC?" answer.
struct wm_cal_record {
    float adcGain[4];  // A to D
    float systemGain;
    uint16_t adcOffset[4];  // A to D
    float phaseOffset[3];   // 01, 12, 23
};

// The fields of a requested sweep that the limit check uses.
struct wm_sweep_request {
    int32_t numBuckets;
    double sweepRange;
};

// Opens the port at 115200 8-N-1 without flow control. A failure is printed
// and gives ERR_WM_COMM with the port closed.
int32_t wm_comm_open_fd(plat::port_handle* handle, const char* port_name);
// sio_close; a null address gives 0.
int32_t wm_comm_close(plat::port_handle* handle);
// Discards whatever waits on the line (ERR_WM_COMM when that fails).
int32_t wm_flush_inp(plat::port_handle* handle);

// Sends the command text and a carriage return.
int32_t wm_comm_write(plat::port_handle* handle, const char* command);

// Reads one answer of the given kind into response (the caller's, kept on
// success, freed on failure). The first byte is awaited timeout_s seconds,
// 10 when timeout_s is below 1; the others under the port's own time-outs.
// elem_size is the size of one element of a WM_RESP_SIZE_READ_ACK answer.
// A failure is printed with a time stamp and its detail; when bytes had come,
// the rest of the answer is drained from the line.
int32_t wm_comm_read(plat::port_handle* handle, u_bytebuf* response, int32_t resp_len,
                     int32_t elem_size, int32_t resp_kind, int32_t timeout_s);

// wm_comm_write, then wm_comm_read; a failed read also names the command.
int32_t wm_comm_write_rd(plat::port_handle* handle, const char* command, u_bytebuf* response,
                         int32_t resp_len, int32_t elem_size, int32_t resp_kind,
                         int32_t timeout_s);

// The commands. Out values are written only on success.
int32_t wm_read_laser(plat::port_handle* handle, uint32_t* value);   // "LO?"; bit 15: on
int32_t wm_set_laser(plat::port_handle* handle, uint8_t on);         // "LO=1" for 1, else "LO=0"
int32_t wm_read_status(plat::port_handle* handle, wm_status* status);  // "MS?"
int32_t wm_read_gain(plat::port_handle* handle, float* system_gain);   // "CC?", short
int32_t wm_read_cal(plat::port_handle* handle, wm_cal_record* cal);    // "CC?", full
// "CL=" and the value x 10 000 000 truncated; ERR_PARAM_OUT_OF_RANGE, with
// nothing sent, when that is not a number of 32 bits.
int32_t wm_set_cl(plat::port_handle* handle, double value);
int32_t wm_set_ss(plat::port_handle* handle, float system_gain);  // "SS=" and "%f"
int32_t wm_query_rr(plat::port_handle* handle, int32_t first, int32_t second, int32_t* answer1,
                    int32_t* answer2);  // "RR=first,second"

// Reads the status and the calibration into info->waveMonitor.state.
int32_t wm_update_status(sys_info* info);
// Prints the calibration that the last status update stored.
void wm_print_cal(const sys_info* info);
// Switches the laser (1 on, anything else off) and polls it once a second,
// ten times at most: ERR_WM_LASER_CONTROL_TIMEOUT when it did not follow,
// ERR_SUNWELL_ABORTED when gl_AbortFunc asked to stop.
int32_t wm_set_laser_with_wait(plat::port_handle* handle, uint8_t wanted);

// The sweep limits in force for the instrument (info may be null).
int32_t wm_get_ramp_limits(const sys_info* info, sys_sweep_limits* limits);
// Checks a requested sweep against the limits and the current input mode's
// data rate.
int32_t wm_verify_ramp_in_limits(const sys_info* info, const wm_sweep_request* request);
// Prepares the ramp descriptions of a wave monitor system (19, 27, 30, 32,
// 33); ERR_UNKNOWN for any other system type.
int32_t wm_init_ramp_info(sys_info* info);

// The wave monitor steps of switching on an instrument with a serial
// instrument board, run after the board link is up, for the wave monitor
// system types (others: 0, nothing done): (re)open and flush the line, send
// the configured CL value (system type 19) or system gain (27), update and
// print the status. On failure the wave monitor port is closed; the caller
// closes the board port. wm_init_ramp_info follows later in the switch-on.
int32_t wm_board_switch_on(sys_info* info);
// The wave monitor steps of switching on a CAN instrument, for system types
// 30, 32 and 33 (others: 0, nothing done). The first failing step's code is
// the result, and the wave monitor's line is then closed.
int32_t wm_can_switch_on(sys_info* info);
// Switching the wave monitor off: closes its line when it is open and leaves
// the laser as it is. 0 also when the line was not open; ERR_INVALID_PARAM
// for no record; otherwise the code of the close.
int32_t wm_switch_off(sys_info* info);

// ---- temperature sensor link ------------------------------------------------
//
// The temperature sensor of an FTP system: 9600 7-E-1; poll (read) and
// select (write) messages to device address "0011", answered by a data block
// or EOT, and by ACK or NAK.

inline constexpr int32_t TEMP_STR_MAX_LEN = 256;

// Control bytes of the messages, and the sensor's device address.
inline constexpr uint8_t TEMP_EOT = 0x04;
inline constexpr uint8_t TEMP_STX = 0x02;
inline constexpr uint8_t TEMP_ETX = 0x03;
inline constexpr uint8_t TEMP_ENQ = 0x05;
inline constexpr uint8_t TEMP_ACK = 0x06;
inline constexpr uint8_t TEMP_NAK = 0x15;
inline constexpr char TEMP_ADDRESS[] = "0011";

// Message kinds.
enum : int32_t {
    TEMP_MSG_WRITE = 1,  // select: EOT "0011" STX text ETX BCC, answered by ACK or NAK
    TEMP_MSG_READ = 2,   // poll: EOT "0011" mnemonic ENQ, answered by STX text ETX BCC or EOT
};

// Opens the port at 9600 7-E-1 without flow control; a failure is printed and
// gives ERR_TEMP_SENSOR_COMM with the port closed.
int32_t temp_comm_open(plat::port_handle* handle, const char* port_name);
// sio_close; a null address gives 0.
int32_t temp_comm_close(plat::port_handle* handle);

// Sends one message of text_len characters (at most 248 for a write, 250 for
// a read; no STX, ETX, EOT or ENQ inside) and reads its answer. For a read,
// text is the mnemonic and receives the value; it must then hold
// TEMP_STR_MAX_LEN bytes. A write text of 250 characters or more, whose ETX
// cannot be in the message, gives ERR_TEMP_SENSOR_CHECKSUM; other texts that
// do not fit give ERR_TEMP_SENSOR_COMM; neither sends anything.
int32_t temp_comm_write(plat::port_handle port, char* text, int32_t text_len, int32_t kind);
// Reads one answer of the given kind; text (TEMP_STR_MAX_LEN bytes) receives
// the mnemonic and value of a data block, at most 254 characters (the block
// with its ETX at most 255 bytes).
int32_t temp_comm_read(plat::port_handle port, char* text, int32_t kind);
// The set-up sequence run at switch-on, with its settling time.
int32_t temp_sensor_init(plat::port_handle port);
// The temperature sensor step of an FTP instrument's switch-on: when the
// configuration enables the sensor, (re)open its port and set it up. A
// failure is printed and gives ERR_TEMP_SENSOR_INIT with the port closed.
int32_t temp_sensor_switch_on(sys_info* info);
// Closes the sensor's line when it is open. 0 also when it was not open;
// ERR_INVALID_PARAM for no record; otherwise the code of temp_comm_close.
int32_t temp_sensor_switch_off(sys_info* info);

// The mnemonic of the temperature the sensor measures (its process value).
inline constexpr char TEMP_MEASURED_VALUE[] = "PV";
// Polls the measured temperature from the record's sensor, switched on
// before, into *degrees, in the sensor's own unit. ERR_INVALID_PARAM for no
// record or no out-value; ERR_TEMP_SENSOR_COMM when the line is not open;
// the errors of temp_comm_write; ERR_TEMP_SENSOR_READ when the value is not
// a finite number. *degrees is written only on success.
int32_t temp_sensor_read_temperature(const sys_info* info, double* degrees);

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
