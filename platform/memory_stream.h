// A stream that reads bytes held in memory.
#pragma once

#include <cstddef>
#include <cstdio>

namespace plat {

// Opens a read-only stream over size bytes at data, which must stay valid
// until the stream is closed with fclose. The stream is not a regular file:
// readers cannot learn its length, exactly as with a pipe. Null on failure.
FILE* open_memory_stream(const void* data, size_t size);

}  // namespace plat
