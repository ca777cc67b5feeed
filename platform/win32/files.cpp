// Files and paths on Windows: the C runtime's wide-character calls on the
// path's system name.
#include "platform/files.h"

#include <sys/stat.h>

#include <cstring>
#include <string>

namespace plat {

FILE* open_file(path_ref path, const char* mode) {
    native_path name;
    if (mode == nullptr || !to_native_path(path, &name)) return nullptr;
    const std::wstring wide_mode(mode, mode + std::strlen(mode));  // modes are ASCII
    return ::_wfopen(name.c_str(), wide_mode.c_str());
}

bool is_regular_file(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return false;
    struct _stat64 st {};
    return ::_wstat64(name.c_str(), &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFREG;
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
