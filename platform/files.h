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

// Opens a path as open_file does, but only when it names a regular file:
// a FIFO, a device or a folder is refused (null) without waiting for a peer,
// so that a reader given a name from a folder listing or a configuration
// never blocks on it. Modes: "r", "w" or "a", then "+" and "b" as stdio
// takes them.
FILE* open_regular_file(path_ref path, const char* mode);

// True when the path names an existing regular file.
bool is_regular_file(path_ref path);

// True when both paths name one existing file (the same file reached
// through different names included).
bool same_file(path_ref a, path_ref b);

// Bytes between the stream's position and the end of the file, when the
// stream is a regular file; -1 when that cannot be known (pipes, devices).
int64_t bytes_remaining(FILE* stream);

// The file's modification time and its change time (creation time on
// Windows), in nanoseconds since the epoch, at the full resolution the file
// system keeps. False when the file's status cannot be read.
bool file_times(path_ref path, int64_t* modified_ns, int64_t* changed_ns);

// Local broken-down time of a time in seconds since the epoch.
bool local_time(int64_t time, std::tm* out);

}  // namespace plat
