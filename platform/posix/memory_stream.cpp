// Memory streams on POSIX: fmemopen over the caller's bytes.
#include "platform/memory_stream.h"

#include <stdio.h>

namespace plat {

FILE* open_memory_stream(const void* data, size_t size) {
    // In read mode fmemopen never writes to the buffer.
    static char empty[1];
    void* buffer = size == 0 ? empty : const_cast<void*>(data);
    return ::fmemopen(buffer, size, "rb");
}

}  // namespace plat
