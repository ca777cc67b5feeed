// File replacement on Windows: the temporary file is made beside the file
// with CREATE_NEW, and MoveFileExW puts it in the file's place in one step.
// A console handler removes the live temporary files when Ctrl-C, Ctrl-Break
// or closing the console ends the process; the file is written through a
// handle that lets it be deleted while open.
#include "platform/file_replacement.h"

#include <fcntl.h>
#include <io.h>

#include <utility>

#include "platform/live_temporaries.h"
#include "platform/win32/unique_file.h"

namespace plat {
namespace {

// The name's folder with its closing separator or drive colon ("c:" for
// "c:name"); "" for a name without one.
std::wstring folder_part(const std::wstring& name) {
    const size_t last = name.find_last_of(L"\\/:");
    return last == std::wstring::npos ? std::wstring() : name.substr(0, last + 1);
}

// Whether the name is taken by a regular file that may be written: 0 with
// *exists set, or the system's error number.
DWORD check_target(const std::wstring& name, bool* exists) {
    HANDLE probe = ::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        *exists = false;
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool disk_file = ::GetFileType(probe) == FILE_TYPE_DISK &&
                           ::GetFileInformationByHandle(probe, &info) != 0;
    ::CloseHandle(probe);
    if (!disk_file) return ERROR_INVALID_NAME;  // a device
    if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
        return ERROR_ACCESS_DENIED;
    }
    *exists = true;
    return 0;
}

// Removes the live temporary files and lets the next handler (the system's
// own, which ends the process) have the event.
BOOL WINAPI end_without_temporaries(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT ||
        event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) {
        remove_live_temporaries([](const wchar_t* name) { ::DeleteFileW(name); });
    }
    return FALSE;
}

void install_console_handler() {
    static const bool installed = ::SetConsoleCtrlHandler(end_without_temporaries, TRUE) != 0;
    (void)installed;
}

}  // namespace

int file_replacement::create(path_ref path, const char* prefix) {
    abandon();
    native_path target;
    if (prefix == nullptr || !to_native_path(path, &target)) return ERROR_INVALID_NAME;
    bool exists = false;
    if (const DWORD error = check_target(target, &exists); error != 0) {
        return static_cast<int>(error);
    }
    // The narrow calls that other code may use on these names end at MAX_PATH.
    native_path base = folder_part(target);
    if (base.size() > MAX_PATH - 14) return ERROR_BUFFER_OVERFLOW;
    for (const char* p = prefix; *p != '\0'; ++p) base += static_cast<wchar_t>(*p);  // ASCII
    install_console_handler();
    native_path temporary;
    if (const DWORD error = create_unique_file(base, &temporary); error != 0) {
        return static_cast<int>(error);
    }
    slot_ = remember_temporary(temporary);
    return adopt(std::move(target), std::move(temporary), exists, path);
}

FILE* file_replacement::open_temporary() {
    HANDLE file = ::CreateFileW(native_temporary_.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
    if (fd < 0) {
        ::CloseHandle(file);
        return nullptr;
    }
    FILE* stream = ::_fdopen(fd, "wb");
    if (stream == nullptr) ::_close(fd);
    return stream;
}

int file_replacement::move_into_place() {
    if (::MoveFileExW(native_temporary_.c_str(), target_.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        forget_temporary(slot_);
        slot_ = -1;
        return 0;
    }
    return static_cast<int>(::GetLastError());
}

void file_replacement::remove_temporary() {
    ::DeleteFileW(native_temporary_.c_str());
    forget_temporary(slot_);
    slot_ = -1;
}

void file_replacement::use_named_temporaries(bool) {
    // Every temporary file is named here.
}

int file_replacement::write_error() {
    return ERROR_WRITE_FAULT;
}

int file_replacement::name_error() {
    return ERROR_NO_UNICODE_TRANSLATION;
}

}  // namespace plat
