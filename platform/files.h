// Files, paths and calendar time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

namespace plat {

// A path whose first two bytes are a UTF-16 byte-order mark (FF FE or FE FF)
// is a wide path: a terminated UTF-16 string in host order follows the mark.
inline bool is_wide_path(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    const auto b0 = static_cast<unsigned char>(path[0]);
    const auto b1 = static_cast<unsigned char>(path[1]);
    return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
}

// Opens a path (narrow, or wide after a byte-order mark) with a C stdio mode.
// Returns null on failure, also when a wide path is not valid UTF-16.
FILE* open_file(const char* path, const char* mode);

// True when the path (narrow or wide) names an existing regular file.
bool is_regular_file(const char* path);

// Bytes between the stream's position and the end of the file, when the
// stream is a regular file; -1 when that cannot be known (pipes, devices).
int64_t bytes_remaining(FILE* stream);

// Local broken-down time of a time in seconds since the epoch.
bool local_time(int64_t time, std::tm* out);

}  // namespace plat
