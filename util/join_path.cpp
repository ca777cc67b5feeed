// Joining a directory and a name with the path separator.
#include <cstring>

#include "platform/platform.h"
#include "util/util.h"

bool u_join_path(char* buffer, size_t size, const char* directory, const char* name) {
    if (size == 0) return false;
    buffer[0] = '\0';
    const size_t dir_length = std::strlen(directory);
    const size_t name_length = std::strlen(name);
    const bool has_separator = dir_length > 0 && directory[dir_length - 1] == plat::kPathSeparator;
    const size_t separator_length = has_separator ? 0 : 1;
    if (dir_length + separator_length + name_length >= size) return false;
    std::memcpy(buffer, directory, dir_length);
    if (!has_separator) buffer[dir_length] = plat::kPathSeparator;
    std::memcpy(buffer + dir_length + separator_length, name, name_length + 1);
    return true;
}
