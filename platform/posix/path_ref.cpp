// Paths on POSIX: a narrow path is the name itself; a wide path's UTF-16
// text is converted to UTF-8, and back for names made beside it.
#include "platform/path_ref.h"

namespace plat {
namespace {

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

// The UTF-16 form of UTF-8 text; false for bytes that are not UTF-8
// (overlong forms, surrogates and values beyond U+10FFFF included).
bool utf8_to_utf16(const std::string& in, std::u16string* out) {
    out->clear();
    for (size_t i = 0; i < in.size();) {
        const auto lead = static_cast<unsigned char>(in[i]);
        size_t extra = 0;
        char32_t cp = 0;
        char32_t least = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1, cp = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2, cp = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3, cp = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (in.size() - i - 1 < extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(in[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            out->push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out->push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out->push_back(static_cast<char16_t>(cp));
        }
        i += extra + 1;
    }
    return true;
}

}  // namespace

bool to_native_path(path_ref path, native_path* name) {
    if (path.is_null()) return false;
    if (!path.is_wide()) {
        *name = path.c_str();  // up to the first zero byte
        return !name->empty();
    }
    std::u16string text;
    if (!wide_path_text(path, &text)) return false;
    name->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF) {  // paired: wide_path_text checked it
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00u);
        }
        append_utf8(*name, cp);
    }
    return !name->empty();
}

bool from_native_path(const native_path& name, path_ref like, std::string* path) {
    if (!like.is_wide()) {
        *path = name;
        return true;
    }
    std::u16string text;
    if (!utf8_to_utf16(name, &text)) return false;
    *path = make_wide_path(text, like);
    return true;
}

}  // namespace plat
