// Whole-file operations on POSIX: mkstemp, rename, unlink.
#include "platform/file_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace plat {

bool make_temp_file(path_ref directory, const char* prefix, std::string* name) {
    native_path pattern;
    if (prefix == nullptr || name == nullptr || !to_native_path(directory, &pattern)) {
        return false;
    }
    if (pattern.back() != '/') pattern += '/';
    pattern += prefix;
    pattern += "XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return false;
    ::close(fd);
    if (from_native_path(pattern, directory, name)) return true;
    ::unlink(pattern.c_str());
    return false;
}

bool rename_file(path_ref from, path_ref to) {
    native_path old_name;
    native_path new_name;
    return to_native_path(from, &old_name) && to_native_path(to, &new_name) &&
           std::rename(old_name.c_str(), new_name.c_str()) == 0;
}

bool delete_file(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    struct stat st {};
    // Only files and links: a FIFO or a device in a file's place stays.
    if (::lstat(name.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
        return false;
    }
    if (!S_ISLNK(st.st_mode) && ::access(name.c_str(), W_OK) != 0) return false;
    return ::unlink(name.c_str()) == 0;
}

}  // namespace plat
