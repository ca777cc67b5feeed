// Files and paths on POSIX: wide paths are converted from UTF-16 to UTF-8.
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/files.h"

namespace plat {
namespace {

// Appends one code point as UTF-8.
void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The UTF-8 form of the UTF-16 text after a wide path's byte-order mark;
// false for an unpaired surrogate.
bool wide_path_to_utf8(const char* path, std::string& out) {
    const char* p = path + 2;
    auto next_unit = [&p]() {
        char16_t unit;
        std::memcpy(&unit, p, sizeof unit);  // the text need not be aligned
        p += sizeof unit;
        return unit;
    };
    for (char16_t unit = next_unit(); unit != 0; unit = next_unit()) {
        char32_t cp = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            const char16_t low = next_unit();
            if (low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00u);
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
        append_utf8(out, cp);
    }
    return true;
}

// The path as the system names it; false when a wide path cannot be converted.
bool system_path(const char* path, std::string& out) {
    if (!is_wide_path(path)) {
        out = path;
        return true;
    }
    return wide_path_to_utf8(path, out);
}

}  // namespace

FILE* open_file(const char* path, const char* mode) {
    std::string name;
    if (path == nullptr || !system_path(path, name)) return nullptr;
    return std::fopen(name.c_str(), mode);
}

bool is_regular_file(const char* path) {
    std::string name;
    if (path == nullptr || !system_path(path, name)) return false;
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t bytes_remaining(FILE* stream) {
    struct stat st {};
    if (::fstat(fileno(stream), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const long position = std::ftell(stream);
    if (position < 0) return -1;
    const int64_t remaining = static_cast<int64_t>(st.st_size) - position;
    return remaining < 0 ? 0 : remaining;
}

bool local_time(int64_t time, std::tm* out) {
    const time_t t = static_cast<time_t>(time);
    return ::localtime_r(&t, out) != nullptr;
}

}  // namespace plat
