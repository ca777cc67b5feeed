// Turning a configuration file's name into the path of an existing file:
// the current folder first, then the configuration directory.
#include <cstring>

#include "platform/platform.h"
#include "util/util.h"

namespace {
// The one resolved path kept between calls, and the release function that
// matches the allocation hook it came from.
char* resolved = nullptr;
void (*resolved_free)(void*) = nullptr;

void release_resolved() {
    if (resolved == nullptr) return;
    resolved_free(resolved);
    resolved = nullptr;
}

// A new block holding the candidate: the name alone, or prefix, separator
// and name. Null when there is no memory.
char* make_candidate(const char* prefix, const char* name) {
    const size_t size =
        prefix == nullptr ? std::strlen(name) + 1 : std::strlen(prefix) + std::strlen(name) + 2;
    auto* block = static_cast<char*>(gl_MallocFunc(size));
    if (block == nullptr) return nullptr;
    if (prefix == nullptr) {
        std::memcpy(block, name, size);
    } else {
        u_join_path(block, size, prefix, name);  // fits by construction
    }
    resolved = block;
    resolved_free = gl_FreeFunc;
    return block;
}
}  // namespace

int32_t u_find_file(const char* name, const char** path) {
    release_resolved();
    if (name == nullptr || name[0] == '\0') return NO_ERROR;
    const bool absolute = plat::is_absolute_path(name);
    for (int attempt = 1;; ++attempt) {
        release_resolved();
        const char* prefix = nullptr;
        if (absolute) {
            if (attempt > 1) return ERR_CANT_READ_FILE;
        } else if (attempt == 1) {
            prefix = ".";
        } else if (attempt == 2) {
            prefix = u_config_dir();
            if (prefix == nullptr) return ERR_CANT_OPEN_FILE;
        } else {
            return ERR_CANT_READ_FILE;
        }
        const char* candidate = make_candidate(prefix, name);
        if (candidate == nullptr) return ERR_NO_MEM;
        if (u_file_exists(candidate)) {
            if (path != nullptr) *path = candidate;
            return NO_ERROR;
        }
    }
}
