// Program path and computer name on Windows: GetModuleFileNameA and
// GetComputerNameA.
#include "platform/system_names.h"

#include <algorithm>
#include <cstring>

#include "platform/win32/windows_api.h"

namespace plat {

bool program_path(char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return false;
    destination[0] = '\0';
    char path[MAX_PATH * 4];  // long-path aware programs may get more than MAX_PATH
    const DWORD length = ::GetModuleFileNameA(nullptr, path, static_cast<DWORD>(sizeof path));
    // A full buffer means the path was cut.
    if (length == 0 || length >= sizeof path) return false;
    if (length >= capacity) return false;
    std::memcpy(destination, path, length);
    destination[length] = '\0';
    return true;
}

bool computer_name(char* destination, size_t capacity) {
    if (destination == nullptr || capacity == 0) return false;
    destination[0] = '\0';
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD length = sizeof name;
    if (!::GetComputerNameA(name, &length)) return false;
    const size_t kept = std::min(static_cast<size_t>(length), capacity - 1);
    std::memcpy(destination, name, kept);
    destination[kept] = '\0';
    return true;
}

}  // namespace plat
