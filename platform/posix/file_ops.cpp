// Whole-file operations on POSIX: mkstemp, rename, unlink.
#include "platform/file_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

namespace plat {

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
