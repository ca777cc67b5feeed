// Directories on POSIX: stat and mkdir.
#include "platform/directories.h"

#include <sys/stat.h>

#include <cstdlib>

namespace plat {

bool is_absolute_path(const char* name) {
    if (name == nullptr) return false;
    return name[0] == '/' || (name[0] == '.' && name[1] == '/');
}

bool is_directory(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool make_directory(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    return ::mkdir(name.c_str(), 0777) == 0;  // the process's umask narrows the mode
}

std::string temp_directory() {
    const char* tmpdir = std::getenv("TMPDIR");
    if (tmpdir != nullptr && tmpdir[0] != '\0') return tmpdir;
    return "/tmp";
}

}  // namespace plat
