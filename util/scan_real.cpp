// Reading a floating-point number the way glibc's scanf reads "%f" in the C
// locale, without scanf, whose decimal point is the host locale's.
//
// scanf first collects the characters that can still belong to a number
// (one character of look-ahead, no backing up), then converts what it
// collected with strtod's rules: the value is that of the longest valid
// start of the collected text, while all of it counts as taken ("1e+" takes
// three characters and reads 1). std::from_chars converts like strtod in the
// C locale, apart from out-of-range results, which it leaves to the caller.
#include <charconv>
#include <cstdint>
#include <limits>

#include "util/util.h"

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_hex_digit(char c) {
    return is_digit(c) || (u_c_tolower(c) >= 'a' && u_c_tolower(c) <= 'f');
}

// Whether text starts with word, ignoring the case of ASCII letters.
bool starts_with_word(const char* text, const char* word) {
    for (; *word != '\0'; ++text, ++word) {
        if (u_c_tolower(*text) != *word) return false;
    }
    return true;
}

// What scanf collects for a number after its sign: "nan", "inf",
// "infinity", or digits with at most one point and an exponent mark that
// may be followed by a sign and digits.
struct collected {
    const char* end;     // after the last character taken
    bool hex;            // the digits followed a "0x" prefix
    const char* digits;  // where the text to convert begins (after any "0x")
};

// Collects the number at p (after its sign) into *number; false where scanf
// fails before converting.
bool collect_number(const char* p, collected* number) {
    if (u_c_tolower(*p) == 'n') {
        if (!starts_with_word(p, "nan")) return false;
        *number = {p + 3, false, p};
        return true;
    }
    if (u_c_tolower(*p) == 'i') {
        // After "inf" an 'i' commits scanf to "infinity".
        if (!starts_with_word(p, "inf")) return false;
        const char* end = p + 3;
        if (u_c_tolower(*end) == 'i') {
            if (!starts_with_word(end, "inity")) return false;
            end += 5;
        }
        *number = {end, false, p};
        return true;
    }

    const char* const start = p;
    bool hex = false;
    bool got_digit = false;
    bool got_dot = false;
    bool got_exponent = false;
    char exponent_mark = 'e';
    if (*p == '0') {
        ++p;
        if (u_c_tolower(*p) == 'x') {
            hex = true;
            exponent_mark = 'p';
            ++p;
        } else {
            got_digit = true;
        }
    }
    const char* const digits = hex ? p : start;
    for (;; ++p) {
        const char c = *p;
        if (is_digit(c) || (hex && !got_exponent && is_hex_digit(c))) {
            got_digit = true;
        } else if (got_exponent && u_c_tolower(p[-1]) == exponent_mark && (c == '+' || c == '-')) {
            // the exponent's sign
        } else if (got_digit && !got_exponent && u_c_tolower(c) == exponent_mark) {
            got_exponent = true;
            got_dot = true;  // no point after the exponent mark
        } else if (!got_dot && c == '.') {
            got_dot = true;
        } else {
            break;
        }
    }
    // Nothing, or only the "0x" prefix: scanf fails.
    if (p == start || (hex && p == digits)) return false;
    *number = {p, hex, digits};
    return true;
}

// For a number from_chars found out of range: whether its magnitude is above
// one (overflow) rather than below (underflow). Such numbers lie dozens of
// orders of magnitude away from one, so the place of the first non-zero digit
// and the exponent decide it.
bool magnitude_above_one(const char* p, const char* end, bool hex) {
    constexpr int64_t kLimit = int64_t{1} << 40;  // saturation, far beyond any range
    int64_t order = 0;                            // the value is 0.ddd times the base to this power
    bool seen_point = false;
    bool seen_non_zero = false;
    for (; p < end; ++p) {
        const char c = *p;
        if (c == '.') {
            seen_point = true;
        } else if (!(hex ? is_hex_digit(c) : is_digit(c))) {
            break;  // the exponent mark
        } else if (!seen_non_zero && c == '0') {
            if (seen_point && order > -kLimit) --order;
        } else {
            seen_non_zero = true;
            if (!seen_point && order < kLimit) ++order;
        }
    }
    int64_t exponent = 0;
    if (p < end) {
        ++p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '+' || *p == '-')) ++p;
        for (; p < end && is_digit(*p); ++p) {
            if (exponent < kLimit) exponent = exponent * 10 + (*p - '0');
        }
        if (negative) exponent = -exponent;
    }
    // A hexadecimal digit counts four binary places of the exponent.
    return order * (hex ? 4 : 1) + exponent > 0;
}

template <typename T>
int scan_real(const char* text, T* value) {
    const char* p = text;
    while (u_is_c_space(static_cast<unsigned char>(*p))) ++p;
    if (*p == '\0') return -1;

    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    collected number{};
    if (!collect_number(p, &number)) return 0;

    T result{};
    const std::chars_format format =
        number.hex ? std::chars_format::hex : std::chars_format::general;
    const auto [stop, error] = std::from_chars(number.digits, number.end, result, format);
    if (error == std::errc::invalid_argument) {
        // Only the "0" of a "0x" with no digit after it ("0x.") is a number.
        if (!number.hex) return 0;
        result = 0;
    } else if (error == std::errc::result_out_of_range) {
        result = magnitude_above_one(number.digits, stop, number.hex)
                     ? std::numeric_limits<T>::infinity()
                     : T{0};
    }
    *value = negative ? -result : result;
    return static_cast<int>(number.end - text);
}

}  // namespace

int u_scan_float(const char* text, float* value) {
    return scan_real(text, value);
}

int u_scan_double(const char* text, double* value) {
    return scan_real(text, value);
}
