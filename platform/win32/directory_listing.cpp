// Directory listing on Windows: FindFirstFileW and FindNextFileW over
// "path\*".
#include "platform/directory_listing.h"

#include "platform/listing_order.h"
#include "platform/win32/windows_api.h"

namespace plat {

bool list_directory(path_ref path, std::vector<std::string>* names) {
    if (names == nullptr) return false;
    names->clear();
    native_path pattern;
    if (!to_native_path(path, &pattern)) return false;
    // A file given as the folder would make the pattern name nothing found.
    const DWORD attributes = ::GetFileAttributesW(pattern.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return false;
    }
    if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
    pattern += L'*';

    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    bool ok = true;
    std::string name;
    for (;;) {
        const native_path entry = found.cFileName;
        if (entry != L"." && entry != L".." && from_native_path(entry, path, &name)) {
            names->push_back(name);
        }
        if (!::FindNextFileW(search, &found)) {
            ok = ::GetLastError() == ERROR_NO_MORE_FILES;
            break;
        }
    }
    ::FindClose(search);
    return finish_listing(ok, names);
}

}  // namespace plat
