// Memory streams on Windows: the C runtime has no fmemopen, so the bytes are
// fed through an anonymous pipe by a small writer thread. Like a pipe on
// POSIX, the stream is not a regular file and its length cannot be learnt.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <thread>

#include "platform/memory_stream.h"

namespace plat {

FILE* open_memory_stream(const void* data, size_t size) {
    int fds[2];
    if (::_pipe(fds, 64 * 1024, _O_BINARY | _O_NOINHERIT) != 0) return nullptr;
    FILE* const stream = ::_fdopen(fds[0], "rb");
    if (stream == nullptr) {
        ::_close(fds[0]);
        ::_close(fds[1]);
        return nullptr;
    }
    // The writer ends when every byte is in the pipe or the reader has gone.
    std::thread([fd = fds[1], bytes = static_cast<const char*>(data), size] {
        size_t done = 0;
        while (done < size) {
            const auto chunk = static_cast<unsigned>(std::min<size_t>(size - done, 1u << 20));
            const int written = ::_write(fd, bytes + done, chunk);
            if (written <= 0) break;
            done += static_cast<size_t>(written);
        }
        ::_close(fd);
    }).detach();
    return stream;
}

}  // namespace plat
