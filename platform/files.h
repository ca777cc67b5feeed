// Files, paths and calendar time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

#include "platform/path_ref.h"

namespace plat {

// Opens a path (narrow, or wide after a byte-order mark; see path_ref.h)
// with a C stdio mode. Returns null on failure, also for a refused wide path.
FILE* open_file(path_ref path, const char* mode);

// True when the path names an existing regular file.
bool is_regular_file(path_ref path);

// Bytes between the stream's position and the end of the file, when the
// stream is a regular file; -1 when that cannot be known (pipes, devices).
int64_t bytes_remaining(FILE* stream);

// Local broken-down time of a time in seconds since the epoch.
bool local_time(int64_t time, std::tm* out);

}  // namespace plat
