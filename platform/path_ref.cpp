// Wide paths, the same on every system: the text between the byte-order
// mark and the two-byte zero that ends it.
#include "platform/path_ref.h"

namespace plat {

bool wide_path_text(path_ref path, std::u16string* text) {
    if (!path.is_wide()) return false;
    text->clear();
    const char* const bytes = path.c_str();
    bool expect_low = false;
    // Only whole units within the caller's bytes are read.
    for (size_t at = 2; at + 1 < path.size(); at += 2) {
        char16_t unit;
        std::memcpy(&unit, bytes + at, sizeof unit);  // the text need not be aligned
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (low != expect_low) return false;  // a surrogate without its partner
        if (unit == 0) return true;
        expect_low = unit >= 0xD800 && unit <= 0xDBFF;
        text->push_back(unit);
    }
    return false;  // no two-byte zero within the bytes
}

std::string make_wide_path(const std::u16string& text, path_ref mark_from) {
    std::string path(mark_from.c_str(), 2);
    path.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
    path.append(2, '\0');
    return path;
}

}  // namespace plat
