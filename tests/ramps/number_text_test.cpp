// Locale-free number text of the ramp files against the C library in the
// "C" locale: the same digits out, the same values in.
#include "ramps/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ramps/ramp_values.h"

namespace {

// printf's "%g" and "%.{precision}f".
std::string printf_g(double value) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}
std::string printf_f(double value, int precision) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%.*f", precision, value);
    return buffer;
}

std::vector<double> sample_values() {
    std::vector<double> values = {0.0,    -0.0,   1.0,     0.5,      0.125,   0.25,   10.2,
                                  25,     29.97,  49999.99, 1e-5,    1e-4,    123456, 1234567,
                                  1e21,   1e-300, 0.0005,  999.995,  2.675,   1.5,    2.5,
                                  0.045,  -3.25,  100000,  999999.5, 0.00001234};
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        const double mantissa = std::uniform_real_distribution<double>(-10, 10)(random);
        const int exponent = std::uniform_int_distribution<int>(-12, 12)(random);
        values.push_back(static_cast<double>(static_cast<float>(mantissa * std::pow(10, exponent))));
    }
    return values;
}

TEST(NumberText, FixedAndGeneralMatchPrintf) {
    for (const double v : sample_values()) {
        EXPECT_EQ(rr_text::general(v), printf_g(v)) << v;
        EXPECT_EQ(rr_text::fixed(v, 2), printf_f(v, 2)) << v;
        EXPECT_EQ(rr_text::fixed(v, 5), printf_f(v, 5)) << v;
    }
    EXPECT_EQ(rr_text::general(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(rr_text::general(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(NumberText, RealsReadAsStrtodReadsThem) {
    const std::vector<std::string> tokens = {
        "10",    "10.2",   "-3.5",   "+7",     ".5",      "5.",     "1e3",   "1E-3",  "1e",
        "1e+",   "0x10",   "0x1p3",  "0X.8",   "0x",      "0xg",    "12abc", "  4.5", "\t-1",
        "007",   "1.5e10", "-0",     "1e-320", "2.5\n",   "3,5",    "0.000000001"};
    for (const std::string& t : tokens) {
        double value = -1;
        ASSERT_TRUE(rr_text::read_real(t.c_str(), &value)) << t;
        char* end = nullptr;
        const double expected = std::strtod(t.c_str(), &end);
        EXPECT_EQ(value, expected) << t;
        EXPECT_EQ(std::signbit(value), std::signbit(expected)) << t;
    }
    for (const char* t : {"", "x", "inf", "-inf", "nan", "NAN", "infinity", "+", "-",
                                 ".", "e5", "#1"}) {
        double value = -1;
        EXPECT_FALSE(rr_text::read_real(t, &value)) << t;
        EXPECT_EQ(value, 0) << t;
    }
    double value = 0;
    ASSERT_TRUE(rr_text::read_real("1e999", &value));
    EXPECT_EQ(value, std::numeric_limits<double>::infinity());
    ASSERT_TRUE(rr_text::read_real("-1e999", &value));
    EXPECT_EQ(value, -std::numeric_limits<double>::infinity());
    ASSERT_TRUE(rr_text::read_real("1e-999", &value));
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(rr_text::read_real("0.0000000000000000000000000000001e-999", &value));
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(rr_text::read_real("0x1p99999", &value));
    EXPECT_EQ(value, std::numeric_limits<double>::infinity());
}

TEST(NumberText, IntegersReadAsStrtolReadsThemHeldToInt32) {
    struct integer_case {
        const char* text;
        bool number;
        int32_t value;
    };
    for (const integer_case& c : std::vector<integer_case>{{"0", true, 0},
                                                           {"42", true, 42},
                                                           {"-7", true, -7},
                                                           {"+3", true, 3},
                                                           {"1.9", true, 1},
                                                           {"5\n", true, 5},
                                                           {" 12", true, 12},
                                                           {"2147483647", true, INT32_MAX},
                                                           {"2147483648", true, INT32_MAX},
                                                           {"-2147483648", true, INT32_MIN},
                                                           {"-99999999999999999999", true, INT32_MIN},
                                                           {"x", false, 0},
                                                           {"-", false, 0},
                                                           {"", false, 0},
                                                           {"#1", false, 0}}) {
        int32_t value = -1;
        EXPECT_EQ(rr_text::read_integer(c.text, &value), c.number) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(NumberText, ShortestTextReadsBackToTheSameFloat) {
    std::mt19937 random(11);
    std::uniform_int_distribution<uint32_t> bits;
    int checked = 0;
    while (checked < 20000) {
        const uint32_t b = bits(random);
        float f = 0;
        std::memcpy(&f, &b, sizeof f);
        if (!std::isfinite(f)) continue;
        ++checked;
        const std::string text = rr_text::shortest(f);
        double back = 0;
        ASSERT_TRUE(rr_text::read_real(text.c_str(), &back)) << text;
        ASSERT_EQ(rr_to_float(back), f) << text;
        ASSERT_LE(text.size(), 16u) << text;
    }
}

TEST(RampValues, ConversionsNeverLeaveTheirRange) {
    EXPECT_EQ(rr_to_float(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(rr_to_float(-1e300), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(rr_to_float(3.4028235e38), std::numeric_limits<float>::max());
    EXPECT_TRUE(std::isnan(rr_to_float(std::nan(""))));
    EXPECT_EQ(rr_to_float(0.1), 0.1f);

    int32_t out = 5;
    EXPECT_FALSE(rr_truncate_to_int32(2147483648.0, &out));
    EXPECT_FALSE(rr_truncate_to_int32(-2147483649.0, &out));
    EXPECT_FALSE(rr_truncate_to_int32(std::nan(""), &out));
    EXPECT_FALSE(rr_truncate_to_int32(std::numeric_limits<double>::infinity(), &out));
    EXPECT_EQ(out, 5);
    EXPECT_TRUE(rr_truncate_to_int32(2147483647.9, &out));
    EXPECT_EQ(out, INT32_MAX);
    EXPECT_TRUE(rr_truncate_to_int32(-2147483648.5, &out));
    EXPECT_EQ(out, INT32_MIN);
    EXPECT_TRUE(rr_truncate_to_int32(-2.7, &out));
    EXPECT_EQ(out, -2);
}

}  // namespace
