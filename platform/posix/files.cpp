// Files and paths on POSIX: stdio and stat on the path's system name.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace plat {
namespace {

// The open flags of a stdio mode; false for a mode this layer does not take.
bool open_flags(const char* mode, int* flags) {
    const bool update = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
        case 'r': *flags = update ? O_RDWR : O_RDONLY; return true;
        case 'w': *flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC; return true;
        case 'a': *flags = (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; return true;
        default: return false;
    }
}

}  // namespace

FILE* open_file(path_ref path, const char* mode) {
    native_path name;
    if (mode == nullptr || !to_native_path(path, &name)) return nullptr;
    return std::fopen(name.c_str(), mode);
}

FILE* open_regular_file(path_ref path, const char* mode) {
    native_path name;
    int flags = 0;
    if (mode == nullptr || !open_flags(mode, &flags) || !to_native_path(path, &name)) {
        return nullptr;
    }
    // Without O_NONBLOCK, opening a FIFO waits for its other end.
    const int fd = ::open(name.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    struct stat st {};
    const int status = ::fcntl(fd, F_GETFL);
    FILE* stream = nullptr;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && status >= 0 &&
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0) {
        stream = ::fdopen(fd, mode);
    }
    if (stream == nullptr) ::close(fd);
    return stream;
}

bool same_file(path_ref a, path_ref b) {
    native_path name_a;
    native_path name_b;
    if (!to_native_path(a, &name_a) || !to_native_path(b, &name_b)) return false;
    struct stat st_a {};
    struct stat st_b {};
    return ::stat(name_a.c_str(), &st_a) == 0 && ::stat(name_b.c_str(), &st_b) == 0 &&
           st_a.st_dev == st_b.st_dev && st_a.st_ino == st_b.st_ino;
}

bool is_regular_file(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool file_times(path_ref path, int64_t* modified_ns, int64_t* changed_ns) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) return false;
    *modified_ns = int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec;
    *changed_ns = int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec;
    return true;
}

int64_t bytes_remaining(FILE* stream) {
    struct stat st {};
    if (::fstat(fileno(stream), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const long position = std::ftell(stream);
    if (position < 0) return -1;
    const int64_t remaining = static_cast<int64_t>(st.st_size) - position;
    return remaining < 0 ? 0 : remaining;
}

bool local_time(int64_t time, std::tm* out) {
    const time_t t = static_cast<time_t>(time);
    return ::localtime_r(&t, out) != nullptr;
}

}  // namespace plat
