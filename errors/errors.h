// Error codes, their names, the diagnostic print hook and the process-wide hooks.
//
// Every library operation that can fail returns one of these codes; 0 is
// success. The numbers are part of the stored and exchanged data, so each
// name keeps its number for good.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

enum : int32_t {
    NO_ERROR = 0,
#define ERROR_CODE(name, number) name = number,
#include "errors/error_codes.inc"
#undef ERROR_CODE
};

// Highest defined code; the name table has ERR_CODE_COUNT slots (0 unused).
inline constexpr int32_t ERR_LAST_CODE = 462;
inline constexpr int32_t ERR_CODE_COUNT = ERR_LAST_CODE + 1;

// Name of a code: "NO_ERROR", the code's symbolic name, or
// "invalid error number %d". The text lives in a 512-byte buffer owned by the
// lookup (one per thread) and is overwritten by the next lookup.
const char* u_err_name(int32_t code);

// Prints the code's name and a line end through gl_PrintFunc; nothing for 0.
void u_err_print(int32_t code);

// For a nonzero code: prints its name like u_err_print, then exits with status 1.
void u_err_exit(int32_t code);

// ---- print hook -----------------------------------------------------------

#if defined(__GNUC__)
#define U_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define U_PRINTF_FORMAT(fmt, args)
#endif

using u_print_func = void (*)(const char* format, ...);

// All library diagnostics go through this hook; it starts as u_print_stderr.
extern u_print_func gl_PrintFunc;

void u_print_stderr(const char* format, ...) U_PRINTF_FORMAT(1, 2);
void u_print_stdout(const char* format, ...) U_PRINTF_FORMAT(1, 2);
void u_print_nothing(const char* format, ...) U_PRINTF_FORMAT(1, 2);
void u_fprint_flush(FILE* stream, const char* format, ...) U_PRINTF_FORMAT(2, 3);

// The stream behind the current hook: stdout for u_print_stdout, stderr for
// u_print_stderr, null for any other hook (status dumps are then skipped).
FILE* u_print_stream();

// One message through the hook, preceded by the local time
// "%Y-%m-%d %H:%M:%S" and a blank. The message is cut at 511 characters.
void u_print_stamped(const char* format, ...) U_PRINTF_FORMAT(1, 2);

// Time stamps of messages and log lines. They live here, at the bottom of the
// library, because the time-stamped print needs them.
//
// u_format_time writes the given time (seconds since the epoch) as local time
// "%Y-%m-%d %H:%M:%S" into destination, at most 40 bytes with the terminator;
// u_time_stamp does the same for the current time. Both return the number of
// characters written (19 for four-digit years), 0 when the text did not fit.
inline constexpr size_t U_TIME_STAMP_SIZE = 40;
int64_t u_format_time(int64_t time, char* destination);
int64_t u_time_stamp(char* destination);

// ---- process-wide hooks ---------------------------------------------------

// Allocation hooks: every heap block of the library comes from and returns to
// these. They start as the C runtime's malloc, calloc, realloc and free.
extern void* (*gl_MallocFunc)(size_t size);
extern void* (*gl_CallocFunc)(size_t count, size_t size);
extern void* (*gl_ReallocFunc)(void* block, size_t size);
extern void (*gl_FreeFunc)(void* block);

// Called after every sleep inside the polling waits; does nothing by default.
extern void (*gl_IdleFunc)();

// Asked once per pass by long waits; a nonzero answer aborts the wait.
extern int (*gl_AbortFunc)();
