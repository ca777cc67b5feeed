// Fuzz target: the ASCII reader's header-line scanner against the C library's
// sscanf, with every scan format the reader uses. The first input byte picks
// the format; the rest is the line, cut as the reader cuts it (511 bytes).
//
// The scanner promises sscanf's conversions with one deliberate difference:
// a %Wc conversion with fewer than W characters left fails, where glibc's
// sscanf takes what is left and counts the conversion. So: whatever sscanf
// refuses the scanner refuses too, and when the scanner accepts a line,
// sscanf accepts it as well and stores the same values.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "datafile/header_scan.h"

namespace {

// Room for the targets of any header line.
struct fields {
    int16_t h[10];
    int32_t d[2];
    float f[6];
    char text[82];
};

struct format_case {
    int count;  // conversions the reader expects
    int (*with_sscanf)(const char* line, fields& v);
    int (*with_scanner)(const char* line, fields& v);
};

// The format is written once and handed to both; sscanf checks it against
// the targets at compile time.
#define SCAN_CASE(format, count, ...)                                                              \
    format_case {                                                                                  \
        count, [](const char* line, fields& v) { return std::sscanf(line, format, __VA_ARGS__); }, \
            [](const char* line, fields& v) {                                                      \
                const scan_target targets[] = {__VA_ARGS__};                                       \
                return scan_header_line(line, format, targets);                                    \
            }                                                                                      \
    }

const format_case kCases[] = {
    SCAN_CASE("%hd %hd %hd %hd \"%29c\"", 5, &v.h[0], &v.h[1], &v.h[2], &v.h[3], v.text),
    SCAN_CASE("%hd %hd %hd %hd %hd %hd", 6, &v.h[0], &v.h[1], &v.h[2], &v.h[3], &v.h[4], &v.h[5]),
    SCAN_CASE("%hd %hd %hd %hd", 4, &v.h[0], &v.h[1], &v.h[2], &v.h[3]),
    SCAN_CASE("\"%81c\"", 1, v.text),
    SCAN_CASE("\"%39c\"", 1, v.text),
    SCAN_CASE("%hd %f %f %f %f %f %f %d", 8, &v.h[0], &v.f[0], &v.f[1], &v.f[2], &v.f[3], &v.f[4],
              &v.f[5], &v.d[0]),
    SCAN_CASE("%hd %hd %hd %hd %d %hd \"%11c\"", 7, &v.h[0], &v.h[1], &v.h[2], &v.h[3], &v.d[0],
              &v.h[4], v.text),
    SCAN_CASE("%hd %hd %hd %hd %hd %hd %f %f %d %d", 10, &v.h[0], &v.h[1], &v.h[2], &v.h[3],
              &v.h[4], &v.h[5], &v.f[0], &v.f[1], &v.d[0], &v.d[1]),
    SCAN_CASE("%hd %hd %d %hd %f %hd %hd %hd %hd", 9, &v.h[0], &v.h[1], &v.d[0], &v.h[2], &v.f[0],
              &v.h[3], &v.h[4], &v.h[5], &v.h[6]),
    SCAN_CASE("%hd \"%27c\"", 2, &v.h[0], v.text),
    SCAN_CASE("%f %f", 2, &v.f[0], &v.f[1]),
    SCAN_CASE("\"%7c\"", 1, v.text),
};

#undef SCAN_CASE

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const format_case& c = kCases[data[0] % (sizeof kCases / sizeof kCases[0])];
    char line[512] = {};
    std::memcpy(line, data + 1, std::min(size - 1, sizeof line - 1));

    fields by_sscanf{};
    fields by_scanner{};
    const int expected = c.with_sscanf(line, by_sscanf);
    const int got = c.with_scanner(line, by_scanner);
    if (expected != c.count && got == c.count) {
        std::fprintf(stderr, "fuzz: the scanner accepts a line sscanf refuses (%d, %d)\n", expected,
                     got);
        std::abort();
    }
    if (got == c.count && std::memcmp(&by_sscanf, &by_scanner, sizeof by_sscanf) != 0) {
        std::fprintf(stderr, "fuzz: the scanner stores other values than sscanf\n");
        std::abort();
    }
    return 0;
}
