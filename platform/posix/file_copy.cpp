// File copy on POSIX: the bytes go to a temporary file beside the
// destination, which then replaces it (see file_replacement.h).
#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_replacement.h"

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

int copy_file(path_ref source, path_ref destination) {
    if (source.size() == 0 || destination.size() == 0) return ENOENT;
    native_path source_name;
    if (!to_native_path(source, &source_name)) return EINVAL;
    fd_guard in;
    in.fd = ::open(source_name.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0) return errno;
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) return errno;
    if (S_ISDIR(st.st_mode)) return EISDIR;

    file_replacement copy;
    if (const int error = copy.create(destination, "_cpy"); error != 0) return error;
    // The bytes go straight to the stream's descriptor; the stream itself
    // holds nothing to write out when the copy is committed.
    FILE* out = copy.open_stream();
    if (out == nullptr) return errno != 0 ? errno : EIO;
    const int out_fd = ::fileno(out);
    // A new destination takes the source's permissions; one that exists keeps its own.
    if (!copy_bytes(in.fd, out_fd) ||
        (!copy.replaces_existing() && ::fchmod(out_fd, st.st_mode & 07777) != 0) ||
        ::fsync(out_fd) != 0) {
        return errno;
    }
    return copy.commit();
}

}  // namespace plat
