// Directories on POSIX: stat and mkdir.
#include "platform/directories.h"

#include <sys/stat.h>

#include <cstdlib>

namespace plat {

bool is_absolute_path(const char* name) {
    if (name == nullptr) return false;
    return name[0] == '/' || (name[0] == '.' && name[1] == '/');
}

bool is_directory(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool make_directory(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    return ::mkdir(path, 0777) == 0;  // the process's umask narrows the mode
}

std::string temp_directory() {
    const char* tmpdir = std::getenv("TMPDIR");
    if (tmpdir != nullptr && tmpdir[0] != '\0') return tmpdir;
    return "/tmp";
}

}  // namespace plat
