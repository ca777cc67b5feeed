// Environment variables on Windows. The C runtime keeps its own copy of the
// environment beside the process's; _putenv_s changes both, so getenv, child
// processes and GetEnvironmentVariable all see the same value. Windows holds
// no empty variables: setting one to "" removes it.
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
    return ::_putenv_s(name, value != nullptr ? value : "") == 0;
}

}  // namespace plat
