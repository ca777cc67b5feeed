// Locale-free number text for the ramp files: std::to_chars and
// std::from_chars never look at the C locale.
#include "ramps/number_text.h"

#include "ramps/ramp_values.h"
#include "util/util.h"

#include <array>
#include <charconv>
#include <cmath>

namespace rr_text {
namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

std::string to_text(double value, std::chars_format format, int precision) {
    // 309 integer digits of the largest double, a point and the fraction.
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
    return std::string(buffer.data(), result.ptr);
}

}  // namespace

std::string fixed(double value, int precision) {
    return to_text(value, std::chars_format::fixed, precision);
}

std::string general(double value) {
    char buffer[U_G_TEXT_MAX];
    return std::string(buffer, u_format_g(buffer, value));
}

std::string shortest(float value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), result.ptr);
    double back = 0;
    // The text is read as a double and then narrowed; should that double
    // rounding ever miss, hexadecimal digits carry the value exactly.
    if (read_real(text.c_str(), &back) && rr_to_float(back) == value) return text;
    const auto hex = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::hex);
    return std::string(buffer.data(), hex.ptr).insert(std::signbit(value) ? 1 : 0, "0x");
}

bool read_real(const char* text, double* value) {
    *value = 0;
    const char* p = text;
    while (u_is_c_space(*p)) ++p;
    if (*p == '+' || *p == '-') ++p;
    // Digits must come first: "inf" and "nan" are not numbers here.
    if (!is_digit(p[0]) && !(p[0] == '.' && is_digit(p[1]))) return false;
    double parsed = 0;
    if (u_scan_double(text, &parsed) > 0) {
        *value = parsed;
        return true;
    }
    // strtod takes a "0x" without hexadecimal digits after it as the number
    // 0 followed by text, where sscanf refuses it.
    return p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
}

bool read_integer(const char* text, int32_t* value) {
    *value = 0;
    const char* p = text;
    while (u_is_c_space(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    if (!is_digit(*p)) return false;
    int64_t magnitude_value = 0;
    constexpr int64_t kCap = int64_t{INT32_MAX} + 1;
    for (; is_digit(*p); ++p) {
        magnitude_value = magnitude_value * 10 + (*p - '0');
        if (magnitude_value > kCap) magnitude_value = kCap;
    }
    const int64_t signed_value = negative ? -magnitude_value : magnitude_value;
    *value = static_cast<int32_t>(
        signed_value > INT32_MAX ? INT32_MAX : (signed_value < INT32_MIN ? INT32_MIN : signed_value));
    return true;
}

}  // namespace rr_text
