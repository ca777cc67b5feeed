// What both directory listing backends do with the names they read.
// Internal to platform/.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace plat {

// "." and ".." name the folder and its parent, not entries.
inline bool is_dot_entry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Sorts a complete listing by bytes; an incomplete one is dropped.
inline bool finish_listing(bool complete, std::vector<std::string>* names) {
    if (!complete) {
        names->clear();
        return false;
    }
    std::sort(names->begin(), names->end());
    return true;
}

}  // namespace plat
