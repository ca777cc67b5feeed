// Replacing a file through a temporary file beside it.
#include "util/replace_file.h"

#include <cstring>

#include "platform/platform.h"
#include "util/util.h"

namespace {

// The folder that holds the target; "." for a bare name.
std::string folder_of(const char* path) {
    const char* last = std::strrchr(path, plat::kPathSeparator);
    if (last == nullptr) return ".";
    if (last == path) return std::string(1, plat::kPathSeparator);
    return std::string(path, last);
}

}  // namespace

bool u_make_replacement(const char* target, const char* prefix, u_replacement* temp) {
    // A wide path's folder cannot be taken apart as narrow text.
    temp->beside = !plat::is_wide_path(target) &&
                   plat::make_temp_file(folder_of(target).c_str(), prefix, &temp->path);
    return temp->beside ||
           plat::make_temp_file(plat::temp_directory().c_str(), prefix, &temp->path);
}

int32_t u_install_replacement(const u_replacement& temp, const char* target) {
    if (temp.beside && plat::rename_file(temp.path.c_str(), target)) return NO_ERROR;
    const int32_t error = u_copy_file(temp.path.c_str(), target);
    if (error != NO_ERROR) return error;
    plat::delete_file(temp.path.c_str());
    return NO_ERROR;
}
