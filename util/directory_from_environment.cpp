// A directory named by an environment variable, checked against its buffer.
#include <cstring>

#include "platform/platform.h"
#include "util/dir_paths.h"
#include "util/util.h"

bool u_directory_from_environment(const char* function, const char* variable, char* buffer) {
    // An empty value counts as unset, as on Windows, where a variable cannot be empty.
    const char* value = plat::get_environment(variable);
    if (value == nullptr || value[0] == '\0') return false;
    const size_t length = std::strlen(value);
    if (length >= U_DIR_SIZE) {
        gl_PrintFunc("%s: %s is longer than %d characters, ignored\n", function, variable,
                     static_cast<int>(U_DIR_SIZE - 1));
        return false;
    }
    std::memcpy(buffer, value, length + 1);
    return true;
}
