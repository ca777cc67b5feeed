// Support utilities: directories, byte order, file tests, strings, time,
// typed buffers and the size-limited log file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "errors/errors.h"
#include "platform/path_ref.h"

// Every path below may be narrow, or wide after a UTF-16 byte-order mark; a
// wide path must end within the bytes the caller vouches for (see
// platform/path_ref.h), or it names no file.

// Nonzero when the path names an existing regular file; directories,
// devices, missing paths and refused wide paths give 0.
int u_file_exists(plat::path_ref path);

// Reverses the n bytes at p in place, for n = 2, 4 or 8. Any other n is a
// programming error: it is reported through gl_PrintFunc and the process aborts.
void u_swap_bytes(void* p, int n);

// ---- directories ------------------------------------------------------------
//
// The library finds its files below three directories, each fixed at its
// first query for the rest of the process: the installation directory, the
// configuration directory (its cfg folder when there is one, else the
// installation directory itself) and the ramps directory (the configuration
// directory's ramps folder, created when missing). "MB_INSTALL_DIR",
// "MB_CONFIG_DIR" and "MB_RAMPS_DIR" each replace their own level; the
// levels below are derived from it. A value longer than 260 characters is
// reported in one line and ignored. The texts live in buffers owned by the
// lookups; null means "not available".

inline constexpr size_t U_DIR_SIZE = 261;           // 260 characters and a terminator
inline constexpr size_t U_MODULE_PATH_SIZE = 260;   // 259 characters and a terminator
inline constexpr size_t U_COMPUTER_NAME_SIZE = 16;  // 15 characters and a terminator
inline constexpr size_t U_CAL_FILE_NAME_SIZE = 18;  // name, point, digit, terminator

// Without MB_INSTALL_DIR: the folder above the program's folder, printed as
// "Install directory: %s\n". Null when the program path is not known.
const char* u_install_dir();
const char* u_config_dir();
const char* u_ramps_dir();

// Resolves a configuration file's name to an existing regular file. An
// absolute name (see plat::is_absolute_path) is taken as it is; a relative
// one is tried in the current folder ("./name"), then in the configuration
// directory. On success *path points at the resolved path, which stays valid
// until the next call (not thread-safe). A null or empty name answers
// NO_ERROR and leaves *path alone. ERR_CANT_READ_FILE when not found,
// ERR_CANT_OPEN_FILE when the configuration directory is needed but not
// available, ERR_NO_MEM when a candidate cannot be allocated.
int32_t u_find_file(const char* name, const char** path);

// Writes directory, the path separator and name into buffer (size bytes).
// The separator is not doubled when directory already ends with one. False,
// with buffer empty, when the result does not fit.
bool u_join_path(char* buffer, size_t size, const char* directory, const char* name);

// Default name of the system calibration file: the computer name, a point
// and the character '0' + system. Fixed by the first call; later arguments
// are ignored.
const char* u_cal_file_name(int32_t system);

// Full path of the running program; empty when it cannot be obtained.
// Lower-cased on systems whose file names ignore case (Windows).
const char* u_module_path();

// Copies at most capacity characters of the computer name (at most 15) into
// destination when it is not null, padding with terminators; the copy is not
// terminated when the name fills the capacity. Returns 0 when the name was
// obtained, 1 otherwise.
int32_t u_computer_name(char* destination, int32_t capacity);

// Appends text to the log file at path (created when missing), its line
// feeds written as CR LF. max_size 0 only appends; a negative max_size only
// creates the file. Once the file has reached max_size bytes (and holds more
// than keep_size > 0), the oldest lines are dropped so that at most
// keep_size bytes remain, cut at a line boundary, and the text follows them;
// the result replaces the log in one step (a log that is a symbolic link
// keeps its link and the file it leads to its permissions). A null text
// leaves the log as it is (beyond creating it). Returns NO_ERROR,
// ERR_FILE_IO, ERR_CANT_CREATE_FILE or the error of u_copy_file.
int32_t u_log_to_file(plat::path_ref path, const char* text, int32_t max_size,
                      int32_t keep_size);

// ---- strings ----------------------------------------------------------------

// Keyword comparison: -1, 0 or 1 like strcmp, after colons in a (only) become
// blanks, white space outside double quotes is removed from both and both are
// upper-cased. Works on private copies; prints "strxcmp: out of memory\n" and
// answers 0 when a copy cannot be made.
int32_t strxcmp(const char* a, const char* b);

// Removes in place every white-space character outside double quotes;
// returns how many were removed.
int32_t u_strip_blanks(char* text);

// Removes in place leading and trailing blanks, tabs and line feeds (not
// carriage returns) and moves the rest to the front; returns how many went.
int32_t u_trim(char* text);

// ---- the C locale's numbers and characters ----------------------------------
//
// Files and device texts are the same whatever locale a host program has set
// (a decimal comma, Turkish letter case): numbers are written and read, and
// characters classified, as the C library does in the "C" locale, never
// through the host's locale.

// Longest text of u_format_g: "-1.79769e+308".
inline constexpr size_t U_G_TEXT_MAX = 13;

// Writes value as printf's "%g" writes it in the C locale (six significant
// digits, an exponent of at least two digits), with NaN and the infinities
// spelled "nan", "-nan", "inf" and "-inf" on every system. Returns the
// position after the text (at most U_G_TEXT_MAX bytes); writes no terminator.
char* u_format_g(char* out, double value);

// Reads the number at text as glibc's sscanf reads "%f" (float) and "%lf"
// (double) in the C locale: the same characters taken, the same value
// (overflow gives an infinity, underflow zero). Returns the number of
// characters taken, leading white space included; 0 when no number could be
// converted (value untouched); -1 when only white space was left.
int u_scan_float(const char* text, float* value);
int u_scan_double(const char* text, double* value);

// White space of the C locale: blank, tab, line feed, vertical tab, form
// feed and carriage return.
inline bool u_is_c_space(int c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Letter case of the C locale: only the 26 ASCII letters change.
inline int u_c_toupper(int c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
}
inline int u_c_tolower(int c) {
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// ---- files ------------------------------------------------------------------

// Copies source over destination, replacing it in one step (a destination
// that is a symbolic link keeps its link, an existing file its permissions).
// On failure prints "u_copy_file failed: win_err = %d\n" with the system
// error number and returns ERR_CANT_WRITE_FILE.
int32_t u_copy_file(plat::path_ref source, plat::path_ref destination);

// Writes a file so that it is either written whole or left as it was: the
// writer fills a new file beside path (opened "wb"), which takes path's
// place only once every byte has reached it and it has been closed. The
// writer answers false when one of its writes failed. Returns NO_ERROR,
// ERR_CANT_CREATE_FILE when path cannot be replaced (no file can be created
// beside it, or it names a folder or a file this process may not write;
// nothing is touched then), or ERR_CANT_WRITE_FILE when a write, the close
// or the replacement failed; path is then as it was and the new file is gone.
using u_file_writer = bool (*)(FILE* stream, const void* context);
int32_t u_write_replacing(plat::path_ref path, u_file_writer writer, const void* context);

// ---- time -------------------------------------------------------------------

// Suspends the calling thread for the given milliseconds.
void u_sleep(int32_t milliseconds);

// Wall-clock time: whole seconds since the epoch and the microseconds within
// the second (millisecond resolution). The first call loads the time zone.
void u_wall_time(int64_t* seconds, int32_t* microseconds);
double u_wall_seconds();

// Wall-clock stopwatch for one thread: start stores and returns the current
// seconds; elapsed answers the seconds since the last start.
double u_stopwatch_start();
double u_stopwatch_elapsed();

// High-resolution lap timer for one thread. Calibration measures the cost of
// a counter read, which every lap reading subtracts.
void u_timer_calibrate();
// Microseconds since the previous lap (never negative); starts a new lap.
int32_t u_timer_lap();
// Microseconds since the current lap began, leaving the lap running.
int32_t u_timer_peek();
// Raw counter value.
int64_t u_timer_now();
// Microseconds between two raw counter values, rounded half away from zero.
int32_t u_timer_diff(int64_t start, int64_t end);

// Seconds since the epoch; also stored in *out unless it is null.
int64_t u_time(int64_t* out);

// Local broken-down time of a time in seconds since the epoch, in a buffer
// owned by the calling thread and overwritten by its next call; null when the
// time cannot be converted.
const std::tm* u_local_time(int64_t time);

// ---- typed buffers ----------------------------------------------------------

// Element codes of the typed buffers; each type has a no-data value.
enum u_elem_type : int32_t {
    U_ELEM_INT8 = 0,     // no data: 127
    U_ELEM_UINT8 = 1,    // 255
    U_ELEM_INT16 = 2,    // 32767
    U_ELEM_UINT16 = 3,   // 65535
    U_ELEM_INT32 = 4,    // 2147483647
    U_ELEM_UINT32 = 5,   // 4294967295
    U_ELEM_INT32B = 6,   // 2147483647
    U_ELEM_UINT32B = 7,  // 4294967295
    U_ELEM_FLOAT = 8,    // largest finite float
    U_ELEM_DOUBLE = 9,   // positive infinity
};

// A typed vector: count elements of one type, and its no-data value.
struct u_vec {
    void* data;
    int32_t type;
    uint64_t count;
    void* no_data;  // one element holding the type's no-data value
    uint8_t flag;
    uint64_t capacity;
    uint64_t element_size;
};

// A typed grid: height rows of width elements in one data block, with a
// pointer to each row.
struct u_grid {
    void** rows;
    int32_t type;
    int16_t origin_x;
    int16_t origin_y;
    int16_t width;
    int16_t height;
    uint64_t count;
    void* no_data;
    uint8_t flag;
    void* data;
    uint64_t capacity;
    uint64_t element_size;
};

// Null for a count of 0, an unknown type or no memory. Contents undefined,
// or zero bytes for the _zeroed forms.
u_vec* u_vec_create(uint64_t count, int32_t type);
u_vec* u_vec_create_zeroed(uint64_t count, int32_t type);
void u_vec_free(u_vec* vec);

// Null for an empty grid, a side above 32767, an unknown type or no memory.
u_grid* u_grid_create(uint64_t width, uint64_t height, int32_t type);
u_grid* u_grid_create_zeroed(uint64_t width, uint64_t height, int32_t type);
void u_grid_free(u_grid* grid);

// One block holding rows row pointers followed by the rows (columns elements
// of element_size bytes each); pointer i points at row i. Null when any
// argument is 0, the size does not fit in memory, or allocation fails.
// Released with one gl_FreeFunc.
void** u_alloc_rows(uint32_t rows, uint32_t columns, uint32_t element_size);

inline bool u_is_mult4(uint64_t value) {
    return value % 4 == 0;
}

// ---- response buffers -------------------------------------------------------

// A block of bytes that a reader fills: capacity bytes allocated through the
// allocation hooks, length of them in use. A zeroed record is empty.
struct u_bytebuf {
    uint32_t capacity;
    uint32_t length;
    uint8_t* data;
};

// Clears the record to empty (it must not own a block).
void u_bytebuf_init(u_bytebuf* buf);

// Makes the record hold n bytes; the contents are not kept across a new
// block. n = 0 frees the block. A block of a different capacity is replaced,
// except that with keep_larger set a larger one is kept. ERR_NO_MEM, with
// the record empty, when the new block cannot be had; ERR_INVALID_PARAM for
// no record.
int32_t u_bytebuf_resize(u_bytebuf* buf, uint32_t n, bool keep_larger);

// Frees the block and empties the record; harmless on an empty record.
void u_bytebuf_free(u_bytebuf* buf);

// ---- units ------------------------------------------------------------------

// Unit codes: factors 1, 10^3, 10^6, 10^9 and 10^12 of one base unit.
enum : int32_t {
    U_UNITS_1 = 1101,
    U_UNITS_1E3 = 1102,
    U_UNITS_1E6 = 1103,
    U_UNITS_1E9 = 1104,
    U_UNITS_1E12 = 1105,
};

// value given in units `from`, expressed in units `to`. Either code outside
// 1101 to 1105 gives the largest double.
double u_convert_units(double value, int32_t from, int32_t to);
