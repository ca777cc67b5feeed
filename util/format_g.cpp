// "%g" text of a double without printf: printf follows the host's locale
// (a decimal comma), and the C runtimes disagree on how they spell NaN.
// std::to_chars with a precision is defined as printf's conversion in the C
// locale, so it gives the same bytes as glibc's "%g".
#include <charconv>
#include <cmath>
#include <cstring>

#include "util/util.h"

namespace {

char* copy_text(char* out, const char* text) {
    const size_t length = std::strlen(text);
    std::memcpy(out, text, length);
    return out + length;
}

}  // namespace

char* u_format_g(char* out, double value) {
    // Spelled here as glibc spells them, so no library's choice shows.
    if (std::isnan(value)) return copy_text(out, std::signbit(value) ? "-nan" : "nan");
    if (std::isinf(value)) return copy_text(out, value < 0 ? "-inf" : "inf");
    return std::to_chars(out, out + U_G_TEXT_MAX, value, std::chars_format::general, 6).ptr;
}
