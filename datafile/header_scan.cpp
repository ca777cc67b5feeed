// A small sscanf for header lines that reads every line the same whatever
// locale the host program has set: numbers convert as glibc's sscanf
// converts them in the C locale, white space is the C locale's, and the %Wc
// conversion takes exactly W characters.
#include "datafile/header_scan.h"

#include <cstdio>
#include <cstring>

#include "datafile/scanned_integer.h"
#include "util/util.h"

namespace {

// One numeric conversion at text (white space already skipped); the
// characters it took go to *taken. False when no number could be converted.
bool convert_number(const char* text, scan_target target, int* taken) {
    if (auto* p = std::get_if<float*>(&target)) {
        *taken = u_scan_float(text, *p);
        return *taken > 0;
    }
    scanned_decimal number;
    const char* const end = scan_decimal_text(text, &number);
    if (end == nullptr) return false;
    if (auto* p = std::get_if<int16_t*>(&target)) {
        **p = as_scanned_short(number.negative, number.overflow, number.magnitude);
    } else if (auto* q = std::get_if<int32_t*>(&target)) {
        **q = as_scanned_int(number.negative, number.overflow, number.magnitude);
    }
    *taken = static_cast<int>(end - text);
    return true;
}

// Whether a conversion letter (with its 'h' flag) writes into the target.
bool fits(char conversion, bool half, const scan_target& target) {
    switch (conversion) {
        case 'd':
            return half ? std::holds_alternative<int16_t*>(target)
                        : std::holds_alternative<int32_t*>(target);
        case 'f':
            return !half && std::holds_alternative<float*>(target);
        case 'c':
            return !half && std::holds_alternative<char*>(target);
        default:
            return false;
    }
}

bool is_space(char c) {
    return u_is_c_space(static_cast<unsigned char>(c));
}

}  // namespace

int scan_header_line(const char* line, const char* format, std::span<const scan_target> targets) {
    const char* in = line;
    int done = 0;
    size_t next = 0;
    // An input failure before the first conversion answers EOF, like sscanf.
    const auto input_failure = [&done]() { return done == 0 ? EOF : done; };

    for (const char* f = format; *f != '\0'; ++f) {
        if (is_space(*f)) {
            while (is_space(*in)) ++in;
            continue;
        }
        if (*f != '%') {
            if (*in == '\0') return input_failure();
            if (*in != *f) return done;
            ++in;
            continue;
        }
        int width = 0;
        while (is_decimal_digit(f[1])) width = width * 10 + (*++f - '0');
        const bool half = f[1] == 'h';
        if (half) ++f;
        const char conversion = *++f;
        if (next >= targets.size() || !fits(conversion, half, targets[next])) return done;
        const scan_target target = targets[next++];

        if (conversion == 'c') {
            const size_t wanted = width > 0 ? static_cast<size_t>(width) : 1;
            const size_t left = std::strlen(in);
            if (left == 0) return input_failure();
            if (left < wanted) return done;
            std::memcpy(std::get<char*>(target), in, wanted);
            in += wanted;
        } else {
            // Numeric conversions skip white space first.
            while (is_space(*in)) ++in;
            if (*in == '\0') return input_failure();
            int taken = 0;
            if (!convert_number(in, target, &taken)) return done;
            in += taken;
        }
        ++done;
    }
    return done;
}
