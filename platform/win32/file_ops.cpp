// Whole-file operations on Windows: new files made with CREATE_NEW under
// names that are tried until one is free, MoveFileExW and DeleteFileW.
#include "platform/file_ops.h"

#include <utility>

#include "platform/unique_suffix.h"
#include "platform/win32/unique_file.h"

namespace plat {

DWORD create_unique_file(const native_path& base, native_path* name) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const std::string suffix = unique_suffix();
        native_path candidate = base + native_path(suffix.begin(), suffix.end());
        HANDLE file = ::CreateFileW(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
            *name = std::move(candidate);
            return 0;
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return error;
    }
    return ERROR_FILE_EXISTS;
}

bool make_temp_file(path_ref directory, const char* prefix, std::string* name) {
    native_path base;
    if (prefix == nullptr || name == nullptr || !to_native_path(directory, &base)) {
        return false;
    }
    if (base.back() != L'\\' && base.back() != L'/') base += L'\\';
    for (const char* p = prefix; *p != '\0'; ++p) base += static_cast<wchar_t>(*p);  // ASCII
    native_path created;
    if (create_unique_file(base, &created) != 0) return false;
    if (from_native_path(created, directory, name)) return true;
    ::DeleteFileW(created.c_str());
    return false;
}

bool rename_file(path_ref from, path_ref to) {
    native_path old_name;
    native_path new_name;
    return to_native_path(from, &old_name) && to_native_path(to, &new_name) &&
           ::MoveFileExW(old_name.c_str(), new_name.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool delete_file(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    // DeleteFileW refuses directories and read-only files.
    return ::DeleteFileW(name.c_str()) != 0;
}

}  // namespace plat
