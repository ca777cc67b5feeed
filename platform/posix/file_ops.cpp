// Whole-file operations on POSIX: mkstemp, exclusive creation, rename, unlink.
#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <utility>

#include "platform/unique_suffix.h"

namespace plat {
namespace {

std::string new_suffix() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return unique_suffix(static_cast<uint64_t>(now.tv_sec) * 1000000000u +
                             static_cast<uint64_t>(now.tv_nsec),
                         static_cast<uint64_t>(::getpid()));
}

}  // namespace

bool make_temp_file(const char* directory, const char* prefix, std::string* name) {
    if (directory == nullptr || directory[0] == '\0' || prefix == nullptr || name == nullptr) {
        return false;
    }
    std::string pattern = directory;
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;
    ::close(fd);
    *name = std::move(pattern);
    return true;
}

bool make_replacement_file(const char* path, std::string* name) {
    if (path == nullptr || path[0] == '\0' || name == nullptr) return false;
    // An existing file passes its permissions on; a new one gets what the
    // umask leaves of 0666, as any file created by fopen would.
    struct stat st {};
    const bool replaces = ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
    const mode_t mode = replaces ? (st.st_mode & 07777) : 0666;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = std::string(path) + "." + new_suffix();
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        // The umask narrowed the mode at creation; the old file's is kept whole.
        const bool moded = !replaces || ::fchmod(fd, mode) == 0;
        ::close(fd);
        if (!moded) {
            ::unlink(candidate.c_str());
            return false;
        }
        *name = std::move(candidate);
        return true;
    }
    return false;
}

bool rename_file(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return false;
    return std::rename(from, to) == 0;
}

bool delete_file(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    struct stat st {};
    if (::lstat(path, &st) != 0 || S_ISDIR(st.st_mode)) return false;
    if (!S_ISLNK(st.st_mode) && ::access(path, W_OK) != 0) return false;
    return ::unlink(path) == 0;
}

}  // namespace plat
