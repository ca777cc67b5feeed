// Numbers in the C locale's forms: u_format_g against printf's "%g" byte for
// byte, u_scan_float and u_scan_double against sscanf's "%f" and "%lf" bit
// for bit and character for character, and the same answers under a host
// locale with a decimal comma.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "support/host_locale.h"
#include "util/util.h"

namespace {

std::string formatted(double value) {
    char text[U_G_TEXT_MAX + 1];
    *u_format_g(text, value) = '\0';
    return text;
}

// Finite values of every kind: random float and double bit patterns, the
// edges where "%g" changes between fixed and exponent form or rounds up to
// another power of ten, subnormals, and the extremes.
std::vector<double> values_to_format() {
    std::vector<double> values;
    std::mt19937_64 random(2024);
    for (int i = 0; i < 400000; ++i) {
        values.push_back(std::bit_cast<float>(static_cast<uint32_t>(random())));
        values.push_back(std::bit_cast<double>(random()));
    }
    for (int exponent = -320; exponent <= 308; ++exponent) {
        const double power = std::pow(10.0, exponent);
        for (const double mantissa :
             {1.0, 5.0, 9.5, 9.999995, 9.9999949999, 0.9999995, 1.0000005}) {
            const double v = mantissa * power;
            for (const double w : {v, std::nextafter(v, 0.0), std::nextafter(v, HUGE_VAL)}) {
                values.push_back(w);
                values.push_back(-w);
                values.push_back(static_cast<float>(w));
            }
        }
    }
    for (const double v :
         {0.0, -0.0, 0.5, 1e-5, 1e-4, 0.0001, 99999.95, 999999.5, 1e6, 123456.5,
          std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
          std::numeric_limits<double>::denorm_min(), double{std::numeric_limits<float>::max()},
          -2147483648.0, 4294967295.0}) {
        values.push_back(v);
        values.push_back(-v);
    }
    std::vector<double> finite;
    for (const double v : values) {
        if (std::isfinite(v)) finite.push_back(v);
    }
    return finite;
}

TEST(FormatG, SameBytesAsPrintf) {
    char expected[64];
    int compared = 0;
    for (const double value : values_to_format()) {
        std::snprintf(expected, sizeof expected, "%g", value);
        ASSERT_EQ(formatted(value), expected) << std::hexfloat << value;
        ++compared;
    }
    EXPECT_GT(compared, 800000);
}

TEST(FormatG, NonFiniteValuesHaveOneSpelling) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(formatted(std::copysign(nan, 1.0)), "nan");
    EXPECT_EQ(formatted(std::copysign(nan, -1.0)), "-nan");
    EXPECT_EQ(formatted(HUGE_VAL), "inf");
    EXPECT_EQ(formatted(-HUGE_VAL), "-inf");
    EXPECT_EQ(formatted(-std::numeric_limits<double>::max()).size(), U_G_TEXT_MAX);
}

// What a scan answered: characters taken (or 0 / -1) and the value's bits.
struct scan_answer {
    int taken;
    uint64_t bits;
    bool operator==(const scan_answer&) const = default;
};
std::ostream& operator<<(std::ostream& out, const scan_answer& a) {
    return out << "taken " << a.taken << ", bits " << std::hex << a.bits;
}

scan_answer ours_float(const std::string& text) {
    float value = -7.0f;
    const int taken = u_scan_float(text.c_str(), &value);
    return {taken, std::bit_cast<uint32_t>(value)};
}
scan_answer ours_double(const std::string& text) {
    double value = -7.0;
    const int taken = u_scan_double(text.c_str(), &value);
    return {taken, std::bit_cast<uint64_t>(value)};
}

// sscanf's answer in the same form: EOF becomes -1, a failure 0 with the
// value untouched.
scan_answer library_float(const std::string& text) {
    float value = -7.0f;
    int taken = 0;
    const int converted = std::sscanf(text.c_str(), "%f%n", &value, &taken);
    return {converted == 1 ? taken : (converted == EOF ? -1 : 0), std::bit_cast<uint32_t>(value)};
}
scan_answer library_double(const std::string& text) {
    double value = -7.0;
    int taken = 0;
    const int converted = std::sscanf(text.c_str(), "%lf%n", &value, &taken);
    return {converted == 1 ? taken : (converted == EOF ? -1 : 0), std::bit_cast<uint64_t>(value)};
}

// Texts at every corner of scanf's reading: signs, points, exponents with
// and without digits, hexadecimal forms, the words, ranges, rounding ties.
// clang-format off
const char* const kCornerTexts[] = {
    "", "   ", "\t\v\f\r\n", "+", "-", ".", "-.", "e5", ".e5", "x", "1", "-1", "+1.5", " \t-0",
    ".5", "1.", "1.e5", "1e", "1e+", "1e-", "1ex", "1e+x", "1e+-5", "1ee5", "1.2.3", "++1",
    "1,5", "0,5", "00012", "1.5e+3x", "0", "0.", "0e", "0E5", "0x", "-0x", "0xg", "0x.",
    "0x.p1", "0x1p", "0x1p+", "0x1.8p1", "0X1P-2", "+0x1", "0x1e3", "0x1e3p1", "0x0p0",
    "0x.8p1", "0x1.p1", "inf", "-inf", "INF", "infinity", "InFiNiTy", "infinityx", "infin",
    "infinit", "infx", "in", "i", "nan", "-nan", "NaN", "nanq", "nan(123)", "nan()", "n", "na",
    "1e99", "1e400", "-1e400", "1e-50", "-1e-50", "1e-400", "1e310", "7e-46", "1.4e-45",
    "3.4028235e38", "3.40282357e38", "0x1.fffffep127", "0x1p128", "0x1p-149", "0x1p-150",
    "0x1p1024", "0x1p-1075", "4.9e-324", "2.4703282292062327e-324", "1.7976931348623158e308",
    "1.7976931348623159e308", "1.00000005960464477539062500",
    "1.0000000596046447753906250000000001", "000000000000000000000000000001e-10",
    "0.000000000000000000000000000000000000000000000000001e50",
    "123456789012345678901234567890123456789012345678901234567890e-400",
    "0x.00000000000000000000000000000000000000000000001p+180", "1e99999999999999999999",
    "1e-99999999999999999999", "0.5 3", "2.25,75"};
// clang-format on

// Random texts over the characters a number can hold, printed numbers of
// every kind, and the decimal and hexadecimal forms of float rounding ties.
std::vector<std::string> texts_to_scan() {
    std::vector<std::string> texts(std::begin(kCornerTexts), std::end(kCornerTexts));
    std::mt19937_64 random(77);
    const std::string alphabet = "0123456789.eE+-xXpPaAfFinINnty( \t,";
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        for (size_t k = 1 + random() % 14; k > 0; --k) text += alphabet[random() % alphabet.size()];
        texts.push_back(text);
    }
    char text[128];
    for (int i = 0; i < 50000; ++i) {
        const float f = std::bit_cast<float>(static_cast<uint32_t>(random()));
        const double d = std::bit_cast<double>(random());
        for (const double v : {double{f}, d}) {
            std::snprintf(text, sizeof text, "%.9g", v);
            texts.push_back(text);
            std::snprintf(text, sizeof text, "%a", v);
            texts.push_back(text);
            std::snprintf(text, sizeof text, "%g", v);
            texts.push_back(text);
            std::snprintf(text, sizeof text, "%.17e", v);
            texts.push_back(text);
        }
        if (!std::isfinite(f) || f == std::numeric_limits<float>::max()) continue;
        const double tie = (double{f} + double{std::nextafter(f, HUGE_VALF)}) / 2;
        for (const double v : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, HUGE_VAL)}) {
            std::snprintf(text, sizeof text, "%.60e", v);
            texts.push_back(text);
            std::snprintf(text, sizeof text, "%a", v);
            texts.push_back(text);
        }
    }
    return texts;
}

// The reference is glibc's scanf; other C libraries read the corners of
// this list differently.
TEST(ScanReal, SameAsSscanf) {
#if defined(_WIN32)
    GTEST_SKIP() << "the scanner reproduces glibc's sscanf";
#endif
    for (const std::string& text : texts_to_scan()) {
        ASSERT_EQ(ours_float(text), library_float(text)) << '"' << text << '"';
        ASSERT_EQ(ours_double(text), library_double(text)) << '"' << text << '"';
    }
}

// The answers that matter most, on every system.
TEST(ScanReal, CornersOnEverySystem) {
    const float inf = HUGE_VALF;
    const struct {
        const char* text;
        int taken;
        float value;
    } cases[] = {
        {"", -1, -7.0f},
        {" \t", -1, -7.0f},
        {"+", 0, -7.0f},
        {".", 0, -7.0f},
        {"0x", 0, -7.0f},
        {"infin", 0, -7.0f},
        {" 0.5 3", 4, 0.5f},
        {"1,5", 1, 1.0f},
        {"-2.25e1x", 7, -22.5f},
        {"1e+", 3, 1.0f},
        {"0x.p1", 3, 0.0f},
        {"0x1.8p1", 7, 3.0f},
        {"INFINITY", 8, inf},
        {"-inf", 4, -inf},
        {"1e39", 4, inf},
        {"-1e-50", 6, -0.0f},
        {"1.4e-45", 7, std::numeric_limits<float>::denorm_min()},
        {"1.00000005960464477539062500", 28, 1.0f},  // a tie goes to the even value
        {"1.000000059604644775390625001", 29, std::nextafter(1.0f, 2.0f)},
    };
    for (const auto& c : cases) {
        float value = -7.0f;
        EXPECT_EQ(u_scan_float(c.text, &value), c.taken) << c.text;
        EXPECT_EQ(std::bit_cast<uint32_t>(value), std::bit_cast<uint32_t>(c.value)) << c.text;
    }
    float nan = 0.0f;
    EXPECT_EQ(u_scan_float("nan(12)", &nan), 3);
    EXPECT_TRUE(std::isnan(nan));
    EXPECT_EQ(u_scan_float("-NaN", &nan), 4);
    EXPECT_TRUE(std::isnan(nan) && std::signbit(nan));
}

// A host program's decimal comma changes nothing: the same texts and values
// as in the C locale.
TEST(CLocaleNumbers, HostLocaleChangesNothing) {
    const std::vector<double> values = {0.5, -1.25e-05, 632.8, 1e20, 0.1, 123456.7, -0.001};
    const std::vector<std::string> texts = {"0.5", " -1.25e-05", "632.8 1", "0,5", "1.5e3", ".25"};
    std::vector<std::string> c_texts;
    std::vector<scan_answer> c_floats;
    std::vector<scan_answer> c_doubles;
    for (const double v : values) c_texts.push_back(formatted(v));
    for (const std::string& t : texts) {
        c_floats.push_back(ours_float(t));
        c_doubles.push_back(ours_double(t));
    }
    EXPECT_EQ(c_texts[0], "0.5");

    const host_locale locale;
    REQUIRE_HOST_LOCALE(locale);
    char printed[32];
    std::snprintf(printed, sizeof printed, "%g", 0.5);
    EXPECT_STREQ(printed, "0,5");  // what printf now writes
    for (size_t i = 0; i < values.size(); ++i) EXPECT_EQ(formatted(values[i]), c_texts[i]);
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(ours_float(texts[i]), c_floats[i]) << texts[i];
        EXPECT_EQ(ours_double(texts[i]), c_doubles[i]) << texts[i];
    }
}

}  // namespace
