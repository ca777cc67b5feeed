// The ramps directory: from MB_RAMPS_DIR, or the configuration directory's
// ramps folder, created when missing.
#include <mutex>

#include "platform/platform.h"
#include "util/dir_paths.h"
#include "util/util.h"

namespace {
char ramps_dir[U_DIR_SIZE];
std::once_flag ramps_dir_once;

void derive_ramps_dir() {
    if (u_directory_from_environment("u_ramps_dir", "MB_RAMPS_DIR", ramps_dir)) return;
    const char* config = u_config_dir();
    if (config == nullptr) return;
    // A name too long for the buffer leaves it empty: the directory is not available.
    if (!u_join_path(ramps_dir, sizeof ramps_dir, config, "ramps")) return;
    // A failed creation is not reported; whoever opens a file there finds out.
    if (!plat::is_directory(ramps_dir)) plat::make_directory(ramps_dir);
}
}  // namespace

const char* u_ramps_dir() {
    std::call_once(ramps_dir_once, derive_ramps_dir);
    return ramps_dir[0] != '\0' ? ramps_dir : nullptr;
}
