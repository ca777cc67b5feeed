// File copy on Windows: CopyFileA makes the copy under a new temporary name
// beside the destination, and MoveFileExA puts it in the destination's place
// in one step, so the destination is never seen half written. The error
// numbers are the system's (GetLastError).
#include "platform/file_copy.h"

#include <string>

#include "platform/win32/windows_api.h"

namespace plat {
namespace {

// The folder part of a path, "." when it has none.
std::string folder_of(const std::string& path) {
    const size_t last = path.find_last_of("\\/:");
    if (last == std::string::npos) return ".";
    if (path[last] == ':') return path.substr(0, last + 1) + ".";  // "c:name"
    if (last == 0) return path.substr(0, 1);
    return path.substr(0, last);
}

}  // namespace

int copy_file(const char* source, const char* destination) {
    if (source == nullptr || destination == nullptr || source[0] == '\0' ||
        destination[0] == '\0') {
        return ERROR_FILE_NOT_FOUND;
    }
    // GetTempFileNameA creates the file, so the name stays ours. Its folder
    // must leave room for the name in MAX_PATH; that is checked here because
    // not every implementation checks it before writing the name.
    const std::string folder = folder_of(destination);
    if (folder.size() > MAX_PATH - 14) return ERROR_BUFFER_OVERFLOW;
    char temporary[MAX_PATH];
    if (::GetTempFileNameA(folder.c_str(), "cpy", 0, temporary) == 0) {
        return static_cast<int>(::GetLastError());
    }
    if (!::CopyFileA(source, temporary, FALSE) ||
        !::MoveFileExA(temporary, destination,
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileA(temporary);
        return static_cast<int>(error);
    }
    return 0;
}

}  // namespace plat
