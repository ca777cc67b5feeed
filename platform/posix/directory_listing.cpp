// Directory listing on POSIX: opendir and readdir.
#include "platform/directory_listing.h"

#include <dirent.h>

#include <cerrno>

#include "platform/listing_order.h"

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
        if (!is_dot_entry(entry->d_name)) names->emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return finish_listing(ok, names);
}

}  // namespace plat
