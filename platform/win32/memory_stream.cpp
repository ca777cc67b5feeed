// Memory streams on Windows: the C runtime has no fmemopen, so the bytes are
// fed through an anonymous pipe by a small writer thread. Like a pipe on
// POSIX, the stream is not a regular file and its length cannot be learnt.
//
// Nothing can make fclose wait for the writer: it ends only once every byte
// is in the pipe or its write fails because the reader has gone, which may be
// after fclose has returned and the caller has released its bytes. So the
// writer feeds the pipe from a copy that it owns and frees. Bytes that fit in
// the pipe's buffer are written at once, without a thread: under Wine on a
// busy machine, readers of small streams were seen to wait for ever for the
// writer thread.
#include "platform/memory_stream.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <thread>

namespace plat {
namespace {

// The pipe's buffer, and what is written without a writer thread: well within
// it, as the system may keep part of a buffer for itself.
constexpr unsigned kPipeBuffer = 64 * 1024;
constexpr size_t kWrittenAtOnce = 16 * 1024;

void feed_pipe(int fd, std::unique_ptr<char[]> bytes, size_t size) {
    size_t done = 0;
    while (done < size) {
        const auto chunk = static_cast<unsigned>(std::min<size_t>(size - done, 1u << 20));
        const int written = ::_write(fd, bytes.get() + done, chunk);
        if (written <= 0) break;
        done += static_cast<size_t>(written);
    }
    ::_close(fd);
}

}  // namespace

FILE* open_memory_stream(const void* data, size_t size) {
    if (data == nullptr && size > 0) return nullptr;
    std::unique_ptr<char[]> copy(new (std::nothrow) char[std::max<size_t>(size, 1)]);
    if (copy == nullptr) return nullptr;
    if (size > 0) std::memcpy(copy.get(), data, size);

    int fds[2];
    if (::_pipe(fds, kPipeBuffer, _O_BINARY | _O_NOINHERIT) != 0) return nullptr;
    FILE* const stream = ::_fdopen(fds[0], "rb");
    if (stream == nullptr) {
        ::_close(fds[0]);
        ::_close(fds[1]);
        return nullptr;
    }
    if (size <= kWrittenAtOnce) {
        feed_pipe(fds[1], std::move(copy), size);
        return stream;
    }
    try {
        std::thread(feed_pipe, fds[1], std::move(copy), size).detach();
    } catch (const std::exception&) {  // no thread: the copy went with it
        std::fclose(stream);
        ::_close(fds[1]);
        return nullptr;
    }
    return stream;
}

}  // namespace plat
