// A small sscanf for header lines. Numbers are handed to sscanf one at a
// time, so they convert exactly as the C library converts them; the %Wc
// conversion is done here because it must take exactly W characters.
#include "datafile/header_scan.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

bool is_space(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// One numeric conversion at text; the characters it took go to *taken.
// Returns sscanf's answer: 1, 0 (not a number) or EOF (nothing left).
int convert_number(const char* text, scan_target target, int* taken) {
    if (auto* p = std::get_if<int16_t*>(&target)) return std::sscanf(text, "%hd%n", *p, taken);
    if (auto* p = std::get_if<int32_t*>(&target)) return std::sscanf(text, "%d%n", *p, taken);
    if (auto* p = std::get_if<float*>(&target)) return std::sscanf(text, "%f%n", *p, taken);
    return 0;
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
        while (std::isdigit(static_cast<unsigned char>(f[1])) != 0)
            width = width * 10 + (*++f - '0');
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
            int taken = 0;
            const int converted = convert_number(in, target, &taken);
            if (converted == EOF) return input_failure();
            if (converted != 1) return done;
            in += taken;
        }
        ++done;
    }
    return done;
}
