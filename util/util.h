// Support utilities: byte order, file tests, strings, time and typed buffers.
#pragma once

#include <cstdint>

#include "errors/errors.h"

// Nonzero when the path (narrow, or wide after a UTF-16 byte-order mark)
// names an existing regular file; directories, devices and missing paths give 0.
int u_file_exists(const char* path);

// Reverses the n bytes at p in place, for n = 2, 4 or 8. Any other n is a
// programming error: it is reported through gl_PrintFunc and the process aborts.
void u_swap_bytes(void* p, int n);
