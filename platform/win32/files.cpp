// Files and paths on Windows. A wide path is handed to the C runtime's
// wide-character calls as it is; a narrow path to the narrow calls, which
// read it in the process code page.
#include "platform/files.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

namespace plat {
namespace {

// The UTF-16 text after a wide path's byte-order mark. It is copied out
// because the caller's bytes need not be aligned for wchar_t. An unpaired
// surrogate is refused, as the POSIX backend refuses it.
bool wide_path_text(const char* path, std::wstring& out) {
    bool expect_low = false;
    for (const char* p = path + 2;; p += sizeof(wchar_t)) {
        wchar_t unit;
        std::memcpy(&unit, p, sizeof unit);
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (expect_low != low) return false;
        if (unit == 0) return true;
        expect_low = unit >= 0xD800 && unit <= 0xDBFF;
        out += unit;
    }
}

// Both stat calls with 64-bit sizes and times.
bool stat_path(const char* path, struct _stat64* st) {
    if (!is_wide_path(path)) return ::_stat64(path, st) == 0;
    std::wstring name;
    return wide_path_text(path, name) && ::_wstat64(name.c_str(), st) == 0;
}

}  // namespace

FILE* open_file(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    if (!is_wide_path(path)) return std::fopen(path, mode);
    std::wstring name;
    if (!wide_path_text(path, name)) return nullptr;
    const std::wstring wide_mode(mode, mode + std::strlen(mode));  // modes are ASCII
    return ::_wfopen(name.c_str(), wide_mode.c_str());
}

bool is_regular_file(const char* path) {
    struct _stat64 st {};
    return path != nullptr && stat_path(path, &st) && (st.st_mode & _S_IFMT) == _S_IFREG;
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
