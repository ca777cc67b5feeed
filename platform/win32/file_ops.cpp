// Whole-file operations on Windows: new files made with CREATE_NEW under
// names that are tried until one is free, MoveFileExA and DeleteFileA.
#include "platform/file_ops.h"

#include <cstdint>
#include <string>
#include <utility>

#include "platform/unique_suffix.h"
#include "platform/win32/windows_api.h"

namespace plat {
namespace {

std::string new_suffix() {
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return unique_suffix(static_cast<uint64_t>(now.QuadPart), ::GetCurrentProcessId());
}

// Creates a new file under base followed by a unique suffix.
bool make_unique_file(const std::string& base, std::string* name) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = base + new_suffix();
        HANDLE file = ::CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            *name = std::move(candidate);
            return true;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

}  // namespace

bool make_temp_file(const char* directory, const char* prefix, std::string* name) {
    if (directory == nullptr || directory[0] == '\0' || prefix == nullptr || name == nullptr) {
        return false;
    }
    std::string base = directory;
    if (base.back() != '\\' && base.back() != '/') base += '\\';
    base += prefix;
    return make_unique_file(base, name);
}

// A new file takes the folder's inherited access rights, as any new file
// there would; Windows keeps no permission bits to pass on.
bool make_replacement_file(const char* path, std::string* name) {
    if (path == nullptr || path[0] == '\0' || name == nullptr) return false;
    return make_unique_file(std::string(path) + ".", name);
}

bool rename_file(const char* from, const char* to) {
    if (from == nullptr || to == nullptr) return false;
    return ::MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool delete_file(const char* path) {
    if (path == nullptr || path[0] == '\0') return false;
    // DeleteFileA refuses directories and read-only files.
    return ::DeleteFileA(path) != 0;
}

}  // namespace plat
