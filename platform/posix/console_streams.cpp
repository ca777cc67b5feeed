// Standard streams and error texts on POSIX.
#include "platform/console_streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace plat {

bool is_terminal(FILE* stream) {
    return stream != nullptr && ::isatty(::fileno(stream)) == 1;
}

void set_binary_mode(FILE* /*stream*/) {}

std::string error_text(int error_number) {
    return std::strerror(error_number);
}

std::string read_refusal(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return error_text(EINVAL);
    // O_NONBLOCK: a FIFO must not wait for a writer just to be judged.
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return error_text(errno);
    struct stat st {};
    int refusal = 0;
    if (::fstat(fd, &st) != 0) {
        refusal = errno;
    } else if (S_ISDIR(st.st_mode)) {
        refusal = EISDIR;
    } else if (!S_ISREG(st.st_mode)) {
        refusal = EINVAL;  // readers take regular files only
    }
    ::close(fd);
    return refusal == 0 ? std::string() : error_text(refusal);
}

}  // namespace plat
