// Environment variables on POSIX.
#include "platform/environment.h"

#include <cstdlib>
#include <cstring>

namespace plat {

const char* get_environment(const char* name) {
    if (name == nullptr || name[0] == '\0') return nullptr;
    return std::getenv(name);
}

bool set_environment(const char* name, const char* value) {
    if (name == nullptr || name[0] == '\0' || std::strchr(name, '=') != nullptr) return false;
    if (value == nullptr) return ::unsetenv(name) == 0;
    return ::setenv(name, value, 1) == 0;
}

}  // namespace plat
