// Exact decimal text of integers without stdio: the same digits as printf's
// "%u" and "%d", written straight into a caller's buffer. The data sections of
// an ASCII data file hold millions of values, and one printf call per value
// would dominate a conversion.
#pragma once

#include <cstdint>
#include <cstring>

// "00" "01" ... "99": two digits per division by 100.
inline constexpr char DECIMAL_DIGIT_PAIRS[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline int decimal_digit_count(uint32_t value) {
    int digits = 1;
    for (;;) {
        if (value < 10) return digits;
        if (value < 100) return digits + 1;
        if (value < 1000) return digits + 2;
        if (value < 10000) return digits + 3;
        value /= 10000;
        digits += 4;
    }
}

// Writes the digits of value at out (at most 10 bytes, no terminator) and
// returns the position after them.
inline char* format_decimal_u32(char* out, uint32_t value) {
    char* const end = out + decimal_digit_count(value);
    char* p = end;
    while (value >= 100) {
        const uint32_t pair = value % 100;
        value /= 100;
        p -= 2;
        std::memcpy(p, DECIMAL_DIGIT_PAIRS + 2 * pair, 2);
    }
    if (value >= 10) {
        std::memcpy(p - 2, DECIMAL_DIGIT_PAIRS + 2 * value, 2);
    } else {
        p[-1] = static_cast<char>('0' + value);
    }
    return end;
}

// Signed form (at most 11 bytes): a minus sign, then the magnitude, which is
// taken in unsigned arithmetic so that INT32_MIN needs no special case.
inline char* format_decimal_i32(char* out, int32_t value) {
    auto magnitude = static_cast<uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    return format_decimal_u32(out, magnitude);
}
