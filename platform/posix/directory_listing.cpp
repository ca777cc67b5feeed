// Directory listing on POSIX: opendir and readdir.
#include "platform/directory_listing.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace plat {

bool list_directory(const char* path, std::vector<std::string>* names) {
    if (names == nullptr) return false;
    names->clear();
    if (path == nullptr || path[0] == '\0') return false;
    DIR* dir = ::opendir(path);
    if (dir == nullptr) return false;
    bool ok = true;
    for (;;) {
        errno = 0;  // readdir answers null both at the end and on failure
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            ok = errno == 0;
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        names->emplace_back(entry->d_name);
    }
    ::closedir(dir);
    if (!ok) {
        names->clear();
        return false;
    }
    std::sort(names->begin(), names->end());
    return true;
}

}  // namespace plat
