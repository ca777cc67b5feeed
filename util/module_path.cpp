// The running program's full path, obtained once.
#include <mutex>

#include "platform/platform.h"
#include "util/util.h"

namespace {
char module_path[U_MODULE_PATH_SIZE];
std::once_flag module_path_once;
}  // namespace

const char* u_module_path() {
    // Lower-cased where names ignore case (Windows), so that paths derived
    // from it compare equal however the program was started; elsewhere the
    // case is part of the name and is kept.
    std::call_once(module_path_once, [] {
        if (!plat::program_path(module_path, sizeof module_path)) return;
        if (!plat::kNamesIgnoreCase) return;
        for (char* c = module_path; *c != '\0'; ++c) {
            if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
        }
    });
    return module_path;
}
