// Private profile files on Windows: GetPrivateProfileStringA. It cuts a long
// value to the buffer silently, so the value is read into a buffer one byte
// larger than the caller's: filling that one means the value did not fit.
// A bare name is given the "SystemRoot" folder explicitly: that is the
// Windows folder the call would search, and it keeps both backends reading
// the same file when the variable points elsewhere.
#include "platform/private_profile.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/win32/windows_api.h"

namespace plat {

bool read_profile_string(const char* section, const char* key, const char* default_value,
                         char* buffer, size_t size, const char* file) {
    if (buffer == nullptr || size == 0) return false;
    buffer[0] = '\0';
    if (size >= 0x7fffffff) return false;
    if (section == nullptr || key == nullptr || file == nullptr) {
        const char* fallback = default_value != nullptr ? default_value : "";
        if (std::strlen(fallback) >= size) return false;
        std::memcpy(buffer, fallback, std::strlen(fallback) + 1);
        return true;
    }
    std::string path = file;
    const char* root = get_environment("SystemRoot");
    if (path.find_first_of("\\/:") == std::string::npos && root != nullptr && root[0] != '\0') {
        path = std::string(root) + "\\" + file;
    }
    std::vector<char> larger(size + 1);
    const DWORD length = ::GetPrivateProfileStringA(section, key,
                                                    default_value != nullptr ? default_value : "",
                                                    larger.data(), static_cast<DWORD>(size + 1),
                                                    path.c_str());
    if (length >= size) return false;
    std::memcpy(buffer, larger.data(), length + 1);
    return true;
}

}  // namespace plat
