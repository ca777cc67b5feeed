// File copy on POSIX: the bytes go to a temporary file beside the
// destination, which is then renamed over the destination.
#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace plat {
namespace {

// Closes a descriptor when it goes out of scope.
struct fd_guard {
    int fd = -1;
    ~fd_guard() {
        if (fd >= 0) ::close(fd);
    }
};

// Writes all of count bytes, resuming after interruptions and short writes.
bool write_all(int fd, const char* data, size_t count) {
    while (count > 0) {
        const ssize_t done = ::write(fd, data, count);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += done;
        count -= static_cast<size_t>(done);
    }
    return true;
}

// Copies everything readable from one descriptor to the other.
bool copy_bytes(int from, int to) {
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(from, chunk, sizeof chunk);
        if (got == 0) return true;
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (!write_all(to, chunk, static_cast<size_t>(got))) return false;
    }
}

}  // namespace

int copy_file(const char* source, const char* destination) {
    if (source == nullptr || destination == nullptr || source[0] == '\0' ||
        destination[0] == '\0') {
        return ENOENT;
    }
    fd_guard in;
    in.fd = ::open(source, O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) return errno;
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;

    std::string temporary = std::string(destination) + ".XXXXXX";
    fd_guard out;
    out.fd = ::mkstemp(temporary.data());
    if (out.fd < 0) return errno;

    int error = 0;
    if (!copy_bytes(in.fd, out.fd) || ::fchmod(out.fd, st.st_mode & 07777) != 0 ||
        ::fsync(out.fd) != 0) {
        error = errno;
    }
    const int closed = ::close(out.fd);
    out.fd = -1;
    if (error == 0 && closed != 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), destination) != 0) error = errno;
    if (error != 0) ::unlink(temporary.c_str());
    return error;
}

}  // namespace plat
