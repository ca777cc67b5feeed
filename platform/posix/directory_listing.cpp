// Directory listing on POSIX: opendir and readdir.
#include "platform/directory_listing.h"

#include <dirent.h>

#include <cerrno>

#include "platform/listing_order.h"

namespace plat {

bool list_directory(path_ref path, std::vector<std::string>* names) {
    if (names == nullptr) return false;
    names->clear();
    native_path folder;
    if (!to_native_path(path, &folder)) return false;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return false;
    bool ok = true;
    std::string name;
    for (;;) {
        errno = 0;  // readdir answers null both at the end and on failure
        const dirent* entry = ::readdir(dir);
        if (entry == nullptr) {
            ok = errno == 0;
            break;
        }
        if (!is_dot_entry(entry->d_name) && from_native_path(entry->d_name, path, &name)) {
            names->push_back(name);
        }
    }
    ::closedir(dir);
    return finish_listing(ok, names);
}

}  // namespace plat
