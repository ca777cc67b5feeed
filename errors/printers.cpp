// The print hook and the built-in printers.
#include <cstdarg>
#include <cstdio>

#include "errors/errors.h"

u_print_func gl_PrintFunc = u_print_stderr;

namespace {

U_PRINTF_FORMAT(2, 0) void vprint_flush(FILE* stream, const char* format, va_list args) {
    std::vfprintf(stream, format, args);
    std::fflush(stream);
}

}  // namespace

void u_print_stderr(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint_flush(stderr, format, args);
    va_end(args);
}

void u_print_stdout(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint_flush(stdout, format, args);
    va_end(args);
}

void u_print_nothing(const char* /*format*/, ...) {}

void u_fprint_flush(FILE* stream, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint_flush(stream, format, args);
    va_end(args);
}

FILE* u_print_stream() {
    if (gl_PrintFunc == u_print_stdout) return stdout;
    if (gl_PrintFunc == u_print_stderr) return stderr;
    return nullptr;
}

void u_print_stamped(const char* format, ...) {
    char buffer[512] = {};
    u_time_stamp(buffer);
    gl_PrintFunc("%s ", buffer);

    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    gl_PrintFunc("%s", buffer);
}
