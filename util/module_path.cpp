// The running program's full path, obtained once.
#include <mutex>

#include "platform/platform.h"
#include "util/util.h"

namespace {
char module_path[U_MODULE_PATH_SIZE];
std::once_flag module_path_once;
}  // namespace

const char* u_module_path() {
    // The path keeps its case: the file systems we run on are case-sensitive.
    std::call_once(module_path_once, [] { plat::program_path(module_path, sizeof module_path); });
    return module_path;
}
