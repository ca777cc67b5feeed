// The installation directory: from MB_INSTALL_DIR, or the folder above the
// one that holds the running program.
#include <cstring>
#include <mutex>

#include "platform/platform.h"
#include "util/dir_paths.h"
#include "util/util.h"

namespace {
char install_dir[U_DIR_SIZE];
std::once_flag install_dir_once;

// The program sits one folder below the installation folder, so
// .../suite/bin/gridtext gives .../suite. A program whose folder is a drive's
// root (c:\tool.exe) gives the drive ("c:"); when nothing at all is left
// above the program's folder (/tool) the installation folder is the root.
void derive_install_dir() {
    if (u_directory_from_environment("u_install_dir", "MB_INSTALL_DIR", install_dir)) return;
    const char* program = u_module_path();
    const char* name = std::strrchr(program, plat::kPathSeparator);
    if (name == nullptr) return;  // no program path: not available
    size_t length = static_cast<size_t>(name - program);  // the program's folder
    // Its parent, when the folder has one: "c:" has none and stays.
    for (size_t at = length; at > 0; --at) {
        if (program[at - 1] == plat::kPathSeparator) {
            length = at - 1;
            break;
        }
    }
    if (length == 0) {
        install_dir[0] = plat::kPathSeparator;
        install_dir[1] = '\0';
    } else {
        std::memcpy(install_dir, program, length);  // shorter than the program path
        install_dir[length] = '\0';
    }
    gl_PrintFunc("Install directory: %s\n", install_dir);
}
}  // namespace

const char* u_install_dir() {
    std::call_once(install_dir_once, derive_install_dir);
    return install_dir[0] != '\0' ? install_dir : nullptr;
}
