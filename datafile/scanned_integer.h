// Decimal integers as glibc's scanf converts them for "%hd", "%hu" and "%d":
// the digits go through strtol or strtoul into a 64-bit long, then the low
// bits are kept. Shared by the header-line scanner and the value scanner, so
// that both read the same numbers the same way on every system.
#pragma once

#include <cstdint>

// A scanned decimal number: its sign and magnitude, saturated past 2^64 - 1.
struct scanned_decimal {
    bool negative = false;
    bool overflow = false;
    uint64_t magnitude = 0;

    // Takes one more digit; past 2^64 - 1 = 18446744073709551615 the
    // magnitude saturates.
    void add_digit(int digit) {
        constexpr uint64_t kLimit = UINT64_MAX / 10;
        constexpr int kLastDigit = static_cast<int>(UINT64_MAX % 10);
        if (magnitude > kLimit || (magnitude == kLimit && digit > kLastDigit)) {
            overflow = true;
        } else if (!overflow) {
            magnitude = magnitude * 10 + static_cast<uint64_t>(digit);
        }
    }
};

inline bool is_decimal_digit(int c) {
    return c >= '0' && c <= '9';
}

// strtoul: saturates at 2^64 - 1 and negates (modulo 2^64) after a minus;
// scanf then keeps the low 16 bits.
inline uint16_t as_scanned_ushort(bool negative, bool overflow, uint64_t magnitude) {
    uint64_t converted = UINT64_MAX;
    if (!overflow) converted = negative ? 0 - magnitude : magnitude;
    return static_cast<uint16_t>(converted);
}

// strtol into a 64-bit long saturates at the long's bounds; scanf then keeps
// the low 32 bits.
inline int32_t as_scanned_int(bool negative, bool overflow, uint64_t magnitude) {
    constexpr uint64_t kLongMax = INT64_MAX;
    uint64_t converted = 0;  // the long's bits
    if (!negative) {
        converted = overflow || magnitude > kLongMax ? kLongMax : magnitude;
    } else {
        converted = overflow || magnitude > kLongMax + 1 ? kLongMax + 1 : 0 - magnitude;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(converted));
}

// "%hd" goes through strtol as well and keeps the low 16 bits.
inline int16_t as_scanned_short(bool negative, bool overflow, uint64_t magnitude) {
    return static_cast<int16_t>(static_cast<uint16_t>(
        static_cast<uint32_t>(as_scanned_int(negative, overflow, magnitude))));
}

// Scans an optional sign and the decimal digits at text (white space already
// skipped). Returns the position after the digits, or null when no digit
// follows the sign.
inline const char* scan_decimal_text(const char* text, scanned_decimal* number) {
    *number = {};
    if (*text == '-' || *text == '+') number->negative = *text++ == '-';
    if (!is_decimal_digit(*text)) return nullptr;
    for (; is_decimal_digit(*text); ++text) number->add_digit(*text - '0');
    return text;
}
