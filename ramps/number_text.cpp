// Locale-free number text for the ramp files: std::to_chars and
// std::from_chars never look at the C locale.
#include "ramps/number_text.h"

#include "ramps/ramp_values.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace rr_text {
namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_hex_digit(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::string to_text(double value, std::chars_format format, int precision) {
    // 309 integer digits of the largest double, a point and the fraction.
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, precision);
    return std::string(buffer.data(), result.ptr);
}

// The exponent of an exponent part at p ("e-12", "p+3"), held to +-1e6;
// what counts is only its sign and rough size.
int64_t exponent_at(const char* p, char marker) {
    if (*p != marker && *p != marker - ('a' - 'A')) return 0;
    ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    int64_t exponent = 0;
    for (; is_digit(*p); ++p) {
        if (exponent < 1000000) exponent = exponent * 10 + (*p - '0');
    }
    return negative ? -exponent : exponent;
}

// For a number out of double's range: its rough power of the base (10, or
// 16 for hexadecimal digits, whose exponent counts powers of 2), positive
// for an overflow and negative for an underflow.
int64_t magnitude(const char* p, bool hex) {
    const auto digit = hex ? is_hex_digit : is_digit;
    int64_t power = 0;
    bool significant = false;
    for (; digit(*p); ++p) {
        if (significant || *p != '0') {
            significant = true;
            ++power;
        }
    }
    if (*p == '.') {
        for (++p; digit(*p); ++p) {
            if (significant) continue;
            if (*p != '0') {
                significant = true;
            } else {
                --power;
            }
        }
    }
    const int64_t exponent = exponent_at(p, hex ? 'p' : 'e');
    return hex ? power * 4 + exponent : power + exponent;
}

}  // namespace

std::string fixed(double value, int precision) {
    return to_text(value, std::chars_format::fixed, precision);
}

std::string general(double value) {
    return to_text(value, std::chars_format::general, 6);
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
    while (is_space(*p)) ++p;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    const char* const end = p + std::strlen(p);

    bool hex = false;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
        (is_hex_digit(p[2]) || (p[2] == '.' && is_hex_digit(p[3])))) {
        hex = true;
        p += 2;
    } else if (!is_digit(p[0]) && !(p[0] == '.' && is_digit(p[1]))) {
        return false;  // no digits: also "inf" and "nan"
    }
    double parsed = 0;
    const auto result =
        std::from_chars(p, end, parsed, hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        parsed = magnitude(p, hex) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        return false;
    }
    *value = negative ? -parsed : parsed;
    return true;
}

bool read_integer(const char* text, int32_t* value) {
    *value = 0;
    const char* p = text;
    while (is_space(*p)) ++p;
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
