// Helpers shared by the directory lookups; internal to util/.
#pragma once

#include <cstddef>

// Takes a directory from the environment variable into buffer (U_DIR_SIZE
// bytes). False when the variable is unset or empty, or when its value does
// not fit: then one line naming the function and the variable says so and
// the buffer is left as it was, so the caller derives the directory instead.
bool u_directory_from_environment(const char* function, const char* variable, char* buffer);
