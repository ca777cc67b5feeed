// Files and paths on Windows: the C runtime's wide-character calls on the
// path's system name.
#include "platform/files.h"

#include <io.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/win32/windows_api.h"

namespace plat {

FILE* open_file(path_ref path, const char* mode) {
    native_path name;
    if (mode == nullptr || !to_native_path(path, &name)) return nullptr;
    const std::wstring wide_mode(mode, mode + std::strlen(mode));  // modes are ASCII
    return ::_wfopen(name.c_str(), wide_mode.c_str());
}

FILE* open_regular_file(path_ref path, const char* mode) {
    // Opening a device or a pipe on Windows does not wait for a peer, so the
    // file is opened first and its kind checked on the handle.
    FILE* stream = open_file(path, mode);
    if (stream == nullptr) return nullptr;
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    BY_HANDLE_FILE_INFORMATION info{};
    if (handle == INVALID_HANDLE_VALUE || ::GetFileType(handle) != FILE_TYPE_DISK ||
        ::GetFileInformationByHandle(handle, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}

namespace {

// The volume and file index that name a file whatever path reaches it.
bool file_identity(path_ref path, BY_HANDLE_FILE_INFORMATION* info) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    const HANDLE file = ::CreateFileW(name.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool known = ::GetFileInformationByHandle(file, info) != 0;
    ::CloseHandle(file);
    return known;
}

}  // namespace

bool same_file(path_ref a, path_ref b) {
    BY_HANDLE_FILE_INFORMATION info_a{};
    BY_HANDLE_FILE_INFORMATION info_b{};
    return file_identity(a, &info_a) && file_identity(b, &info_b) &&
           info_a.dwVolumeSerialNumber == info_b.dwVolumeSerialNumber &&
           info_a.nFileIndexHigh == info_b.nFileIndexHigh &&
           info_a.nFileIndexLow == info_b.nFileIndexLow;
}

bool is_regular_file(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    struct _stat64 st {};
    return ::_wstat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
}

bool file_times(path_ref path, int64_t* modified_ns, int64_t* changed_ns) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return false;
    // FILETIME counts 100-nanosecond steps from 1601; the epoch is 11644473600 s later.
    const auto to_ns = [](const FILETIME& t) {
        const int64_t ticks =
            static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime);
        return (ticks - int64_t{116444736000000000}) * 100;
    };
    *modified_ns = to_ns(data.ftLastWriteTime);
    *changed_ns = to_ns(data.ftCreationTime);
    return true;
}

int64_t bytes_remaining(FILE* stream) {
    struct _stat64 st {};
    if (::_fstat64(::_fileno(stream), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return -1;
    const int64_t position = ::_ftelli64(stream);
    if (position < 0) return -1;
    const int64_t remaining = st.st_size - position;
    return remaining < 0 ? 0 : remaining;
}

bool local_time(int64_t time, std::tm* out) {
    const __time64_t t = time;
    return ::_localtime64_s(out, &t) == 0;
}

}  // namespace plat
