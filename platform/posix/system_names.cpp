// Program path and computer name on POSIX: /proc/self/exe and gethostname.
#include "platform/system_names.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace plat {

bool program_path(char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return false;
    destination[0] = '\0';
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return false;
    const auto size = static_cast<size_t>(length);
    if (size >= capacity) return false;
    std::memcpy(destination, path, size);
    destination[size] = '\0';
    return true;
}

bool computer_name(char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return false;
    destination[0] = '\0';
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name) != 0) return false;
    name[sizeof name - 1] = '\0';  // a truncated name need not be terminated
    const size_t length = std::min(std::strlen(name), capacity - 1);
    std::memcpy(destination, name, length);
    destination[length] = '\0';
    return true;
}

}  // namespace plat
