// The configuration directory: from MB_CONFIG_DIR, or the installation
// directory's cfg folder when there is one, else the installation directory.
#include <cstring>
#include <mutex>

#include "platform/platform.h"
#include "util/dir_paths.h"
#include "util/util.h"

namespace {
char config_dir[U_DIR_SIZE];
std::once_flag config_dir_once;

void derive_config_dir() {
    if (u_directory_from_environment("u_config_dir", "MB_CONFIG_DIR", config_dir)) return;
    const char* install = u_install_dir();
    if (install == nullptr) return;
    if (u_join_path(config_dir, sizeof config_dir, install, "cfg") &&
        plat::is_directory(config_dir)) {
        return;
    }
    std::strcpy(config_dir, install);  // both buffers hold U_DIR_SIZE bytes
}
}  // namespace

const char* u_config_dir() {
    std::call_once(config_dir_once, derive_config_dir);
    return config_dir[0] != '\0' ? config_dir : nullptr;
}
