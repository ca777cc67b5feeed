// Directory listing on Windows: FindFirstFileA and FindNextFileA over
// "path\*".
#include "platform/directory_listing.h"


#include "platform/listing_order.h"
#include "platform/win32/windows_api.h"

namespace plat {

bool list_directory(const char* path, std::vector<std::string>* names) {
    if (names == nullptr) return false;
    names->clear();
    if (path == nullptr || path[0] == '\0') return false;
    // A file given as the folder would make the pattern name nothing found.
    const DWORD attributes = ::GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    std::string pattern = path;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';

    WIN32_FIND_DATAA found{};
    HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    for (;;) {
        if (!is_dot_entry(found.cFileName)) names->emplace_back(found.cFileName);
        if (!::FindNextFileA(search, &found)) {
            ok = ::GetLastError() == ERROR_NO_MORE_FILES;
            break;
        }
    }
    ::FindClose(search);
    return finish_listing(ok, names);
}

}  // namespace plat
