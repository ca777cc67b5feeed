// Directories on Windows: file attributes, CreateDirectoryW and GetTempPathA.
// A name is absolute when it begins with a backslash, with "." and a
// backslash, or with a drive letter and a colon ("c:cal.1" included).
#include "platform/directories.h"

#include <cctype>

#include "platform/win32/windows_api.h"

namespace plat {

bool is_absolute_path(const char* name) {
    if (name == nullptr || name[0] == '\0') return false;
    if (name[0] == '\\' || (name[0] == '.' && name[1] == '\\')) return true;
    return std::isalpha(static_cast<unsigned char>(name[0])) != 0 && name[1] == ':';
}

bool is_directory(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool make_directory(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    return ::CreateDirectoryW(name.c_str(), nullptr) != 0;
}

std::string temp_directory() {
    char path[MAX_PATH + 1];
    const DWORD length = ::GetTempPathA(static_cast<DWORD>(sizeof path), path);
    if (length == 0 || length >= sizeof path) return ".";
    std::string folder(path, length);
    // The system ends the folder with a separator; a root ("c:\") keeps it.
    if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder;
}

}  // namespace plat
