// File copy on Windows: CopyFileW makes the copy under a temporary name
// beside the destination, which then replaces the destination (see
// file_replacement.h), so the destination is never seen half written. The
// error numbers are the system's (GetLastError).
#include "platform/file_copy.h"

#include "platform/file_replacement.h"
#include "platform/win32/windows_api.h"

namespace plat {

int copy_file(path_ref source, path_ref destination) {
    if (source.size() == 0 || destination.size() == 0) return ERROR_FILE_NOT_FOUND;
    native_path source_name;
    if (!to_native_path(source, &source_name)) return ERROR_INVALID_NAME;
    file_replacement copy;
    if (const int error = copy.create(destination, "cpy"); error != 0) return error;
    if (!::CopyFileW(source_name.c_str(), copy.native_temporary().c_str(), FALSE)) {
        return static_cast<int>(::GetLastError());
    }
    return copy.commit();
}

}  // namespace plat
