// Reading the settings text field by field, the way the C conversions read
// numbers: leading blanks and a sign allowed, reading stops at the first
// character that cannot continue the number, and no number reads as zero.
#include "seriallink/settings_text.h"

#include <cstring>

#include "errors/errors.h"
#include "util/util.h"

namespace seriallink {
namespace {

constexpr int32_t kBaudRates[] = {150,  300,   600,   1200,  2400,  4800,
                                  9600, 19200, 38400, 57600, 115200};

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

const char* skip_blanks(const char* p) {
    while (u_is_c_space(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// The decimal integer at p; values beyond the int32 range saturate (they are
// then refused like any other value outside the allowed set).
int64_t read_integer(const char* p) {
    p = skip_blanks(p);
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX) value = static_cast<int64_t>(INT32_MAX) + 1;
    }
    return negative ? -value : value;
}

// The floating-point number at p as the C conversions read it in the C
// locale (decimal or 0x-hexadecimal, whatever the host's decimal point); 0
// when there is none.
double read_real(const char* p) {
    double value = 0.0;
    return u_scan_double(p, &value) > 0 ? value : 0.0;
}

bool is_allowed_baud(int64_t baud) {
    for (const int32_t rate : kBaudRates) {
        if (rate == baud) return true;
    }
    return false;
}

}  // namespace

int32_t parse_settings_text(const char* text, plat::serial_control* control, bool* silent) {
    *silent = false;
    const int64_t baud = read_integer(text);
    if (!is_allowed_baud(baud)) return ERR_INVALID_PARAM;
    control->baud_rate = static_cast<uint32_t>(baud);

    const char* comma = std::strchr(text, ',');
    if (comma == nullptr) return ERR_INVALID_PARAM;
    const int64_t data_bits = read_integer(comma + 1);
    if (data_bits < 5 || data_bits > 8) return ERR_INVALID_PARAM;
    control->byte_size = static_cast<uint8_t>(data_bits);

    comma = std::strchr(comma + 1, ',');
    if (comma == nullptr) return ERR_INVALID_PARAM;
    if (!is_digit(comma[1])) {
        *silent = true;
        return ERR_PARAM_OUT_OF_RANGE;
    }
    const int64_t parity = read_integer(comma + 1);
    if (parity > 2) return ERR_INVALID_PARAM;
    control->parity = static_cast<uint8_t>(parity);
    control->parity_check = parity > 0;

    comma = std::strchr(comma + 1, ',');
    if (comma == nullptr) return ERR_INVALID_PARAM;
    const auto stop_bits = static_cast<float>(read_real(comma + 1));
    if (stop_bits == 1.0f) {
        control->stop_bits = plat::kOneStopBit;
    } else if (stop_bits == 1.5f) {
        control->stop_bits = plat::kOneAndHalfStopBits;
    } else if (stop_bits == 2.0f) {
        control->stop_bits = plat::kTwoStopBits;
    } else {
        return ERR_PARAM_OUT_OF_RANGE;
    }
    return NO_ERROR;
}

void set_default_line(plat::serial_control* control) {
    control->baud_rate = 9600;
    control->byte_size = 8;
    control->parity = plat::kParityNone;
    control->parity_check = false;
    control->stop_bits = plat::kOneStopBit;
}

bool is_ignored_settings_text(const char* text) {
    static const char* const kIgnored[] = {"r", "r+", "w", "w+", "a", "a+"};
    for (const char* ignored : kIgnored) {
        if (std::strcmp(text, ignored) == 0) return true;
    }
    return false;
}

}  // namespace seriallink
