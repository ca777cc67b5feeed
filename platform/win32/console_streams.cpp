// Standard streams and error texts on Windows: the C runtime's console and
// mode calls, and the system's message table.
#include "platform/console_streams.h"

#include <fcntl.h>
#include <io.h>

#include "platform/win32/windows_api.h"

namespace plat {

bool is_terminal(FILE* stream) {
    return stream != nullptr && ::_isatty(::_fileno(stream)) != 0;
}

void set_binary_mode(FILE* stream) {
    if (stream != nullptr) ::_setmode(::_fileno(stream), _O_BINARY);
}

std::string error_text(int error_number) {
    char text[512] = {};
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(error_number), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text,
        sizeof text, nullptr);
    std::string result(text, length);
    // The system's messages end in a full stop and CR LF.
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                               result.back() == '.' || result.back() == ' ')) {
        result.pop_back();
    }
    return result.empty() ? "error " + std::to_string(error_number) : result;
}

std::string read_refusal(path_ref path) {
    native_path name;
    if (!to_native_path(path, &name)) return error_text(ERROR_INVALID_NAME);
    const HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return error_text(static_cast<int>(::GetLastError()));
    const bool disk_file = ::GetFileType(file) == FILE_TYPE_DISK;
    ::CloseHandle(file);
    return disk_file ? std::string() : error_text(ERROR_INVALID_NAME);
}

}  // namespace plat
