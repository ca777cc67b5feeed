// New files under unique names, for the Win32 backend's temporary files.
#pragma once

#include "platform/path_ref.h"
#include "platform/win32/windows_api.h"

namespace plat {

// Creates a new, empty file named base followed by six characters that make
// it unique, and stores its name. 0, or the system's error number.
DWORD create_unique_file(const native_path& base, native_path* name);

}  // namespace plat
