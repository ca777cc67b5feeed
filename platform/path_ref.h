// Paths as the library takes them, and their decoding into the names the
// system's calls take.
//
// A path is a byte string. When its first two bytes are a UTF-16 byte-order
// mark (FF FE or FE FF) it is a wide path: UTF-16 text in the host's order
// follows the mark and ends at a two-byte zero. Any other path is narrow and
// ends at its first zero byte.
//
// A wide path holds zero bytes of its own, so its end cannot be found from a
// bare character pointer: of such a pointer only the bytes before its first
// zero byte may be read, and no wide path ends within them. A path_ref
// therefore carries how many bytes may be read: a character pointer vouches
// for the bytes before its terminator, a std::string for all of its bytes.
// A wide path must end at a two-byte zero within those bytes; one that does
// not (unterminated, or of odd length) or that holds an unpaired surrogate
// is refused by every operation, as a name that cannot be opened.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace plat {

class path_ref {
  public:
    // Both conversions are implicit: every path parameter takes either.
    path_ref(const char* text) noexcept  // NOLINT(google-explicit-constructor)
        : bytes_(text), size_(text == nullptr ? 0 : std::strlen(text)) {}
    path_ref(const std::string& text) noexcept  // NOLINT(google-explicit-constructor)
        : bytes_(text.c_str()), size_(text.size()) {}

    // The caller's bytes, for messages: always terminated. Null for a null path.
    const char* c_str() const { return bytes_; }
    // How many bytes may be read, the terminator not counted.
    size_t size() const { return size_; }
    bool is_null() const { return bytes_ == nullptr; }
    bool is_wide() const {
        if (size_ < 2) return false;
        const auto b0 = static_cast<unsigned char>(bytes_[0]);
        const auto b1 = static_cast<unsigned char>(bytes_[1]);
        return (b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF);
    }

  private:
    const char* bytes_;
    size_t size_;
};

// The UTF-16 text of a wide path, from after its mark to its terminator
// (not included). False when the path is not wide, or is refused as above.
bool wide_path_text(path_ref path, std::u16string* text);

// A wide path with the given mark: the mark, the text and a two-byte zero.
std::string make_wide_path(const std::u16string& text, path_ref mark_from);

// Names as the system's calls take them: UTF-8 bytes on POSIX, UTF-16 on
// Windows.
#if defined(_WIN32)
using native_path = std::wstring;
#else
using native_path = std::string;
#endif

// The name the system knows the path by. False for a null or empty path and
// for a refused wide path.
bool to_native_path(path_ref path, native_path* name);

// A system name written back as a path of the same kind as `like`: wide with
// like's mark when like is wide, narrow otherwise. False when the name has
// no such form (POSIX bytes that are not UTF-8, for a wide path).
bool from_native_path(const native_path& name, path_ref like, std::string* path);

}  // namespace plat
