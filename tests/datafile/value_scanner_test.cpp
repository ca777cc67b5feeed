// The buffered value scanner against sscanf's "%hu " and "%d ": same values,
// same successes and failures, same characters taken, whatever the input and
// wherever the buffer boundaries fall.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "datafile/text_source.h"
#include "ascii_samples.h"

namespace {

using test_support::memory_input;

// One scan step: did a value convert, which, and where the input stands after.
struct step {
    bool ok;
    int64_t value;
    size_t position;
    bool operator==(const step&) const = default;
};

// The C library's answer, step by step until a conversion fails.
template <typename T>
std::vector<step> library_steps(const std::string& text) {
    std::vector<step> steps;
    size_t position = 0;
    for (;;) {
        T value{};
        int taken = -1;
        int converted = 0;
        if constexpr (std::is_same_v<T, uint16_t>) {
            converted = std::sscanf(text.c_str() + position, "%hu %n", &value, &taken);
        } else {
            converted = std::sscanf(text.c_str() + position, "%d %n", &value, &taken);
        }
        if (converted != 1) {
            steps.push_back({false, 0, 0});
            return steps;
        }
        position += static_cast<size_t>(taken);
        steps.push_back({true, value, position});
    }
}

// The scanner's answer over a memory input handed out chunk bytes at a time.
template <typename T>
std::vector<step> scanner_steps(const std::string& text, size_t chunk) {
    memory_input input{text};
    text_source source(memory_input::read, &input, static_cast<int64_t>(text.size()), chunk);
    std::vector<step> steps;
    for (;;) {
        T value{};
        bool ok = false;
        if constexpr (std::is_same_v<T, uint16_t>) {
            ok = source.scan_ushort(&value);
        } else {
            ok = source.scan_int(&value);
        }
        if (!ok) {
            steps.push_back({false, 0, 0});
            return steps;
        }
        steps.push_back({true, value, text.size() - static_cast<size_t>(source.bytes_left())});
    }
}

// The scanner's answer when asked for all the values the library converted
// in one run, then for one more.
template <typename T>
std::vector<step> bulk_steps(const std::string& text, size_t chunk, size_t converted) {
    memory_input input{text};
    text_source source(memory_input::read, &input, static_cast<int64_t>(text.size()), chunk);
    std::vector<T> values(converted + 1);
    bool ok = false;
    bool one_more = false;
    size_t position = 0;
    if constexpr (std::is_same_v<T, uint16_t>) {
        ok = source.scan_ushorts(values.data(), static_cast<int64_t>(converted));
        position = text.size() - static_cast<size_t>(source.bytes_left());
        one_more = ok && source.scan_ushorts(values.data() + converted, 1);
    } else {
        ok = source.scan_ints(values.data(), static_cast<int64_t>(converted));
        position = text.size() - static_cast<size_t>(source.bytes_left());
        one_more = ok && source.scan_ints(values.data() + converted, 1);
    }
    std::vector<step> steps;
    if (!ok) return steps;
    for (size_t i = 0; i < converted; ++i) steps.push_back({true, values[i], 0});
    if (converted > 0) steps.back().position = position;
    steps.push_back({one_more, one_more ? values[converted] : 0, 0});
    return steps;
}

// The library's steps with only the last position kept, as bulk_steps has them.
std::vector<step> as_bulk(std::vector<step> steps) {
    for (size_t i = 0; i + 2 < steps.size(); ++i) steps[i].position = 0;
    return steps;
}

void expect_same(const std::string& text,
                 std::initializer_list<size_t> chunks = {1, 2, 3, 7, 100, text_source::kCapacity}) {
    const auto library_u16 = library_steps<uint16_t>(text);
    const auto library_i32 = library_steps<int32_t>(text);
    for (const size_t chunk : chunks) {
        EXPECT_EQ(scanner_steps<uint16_t>(text, chunk), library_u16)
            << "%hu on \"" << text << "\" chunk " << chunk;
        EXPECT_EQ(scanner_steps<int32_t>(text, chunk), library_i32)
            << "%d on \"" << text << "\" chunk " << chunk;
        EXPECT_EQ(bulk_steps<uint16_t>(text, chunk, library_u16.size() - 1), as_bulk(library_u16))
            << "%hu in a run on \"" << text << "\" chunk " << chunk;
        EXPECT_EQ(bulk_steps<int32_t>(text, chunk, library_i32.size() - 1), as_bulk(library_i32))
            << "%d in a run on \"" << text << "\" chunk " << chunk;
    }
}

const char* const kAdversarial[] = {
    "0",
    "-0",
    "+0",
    "00000",
    "65535",
    "65536",
    "65537",
    "-1",
    "-65535",
    "-65536",
    "+65535",
    "4294967295",
    "4294967296",
    "-4294967296",
    "2147483647",
    "2147483648",
    "-2147483648",
    "-2147483649",
    "9223372036854775807",
    "9223372036854775808",
    "-9223372036854775808",
    "-9223372036854775809",
    "18446744073709551615",
    "18446744073709551616",
    "-18446744073709551615",
    "-18446744073709551616",
    "184467440737095516150",
    "99999999999999999999999999999",
    "-99999999999999999999999999999",
    "0000000000000000000000000000000000000000000123",
    "-00000000000000000000000000000009223372036854775808",
    "-",
    "+",
    "--1",
    "+-1",
    "-+1",
    "- 1",
    "1-2",
    "1+2+3",
    "12abc",
    "abc",
    "0x10",
    "1e5",
    "1.5",
    ".5",
    "",
    " ",
    " \t\r\n\v\f42 \t\r\n\v\f",
    "\xff"
    "1",
    "1\xff",
    "7\r\n8\r\n#\r\n9",
    "1 2 3 4 5 6 7 8 9 10 \r\n11 ",
    "#",
    "1 #",
    "\x0b"
    "5",
    "  -  ",
};

TEST(ValueScanner, MatchesScanfOnAdversarialTokens) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the scanner reproduces glibc's conversion of out-of-range numbers";
#endif
    for (const char* token : kAdversarial) expect_same(token);
    // Every pair, so each token is also seen after another one.
    for (const char* a : kAdversarial) {
        for (const char* b : kAdversarial) expect_same(std::string(a) + " " + b);
    }
}

TEST(ValueScanner, MatchesScanfOnRandomText) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the scanner reproduces glibc's conversion of out-of-range numbers";
#endif
    std::mt19937_64 random(20240611);
    const std::string alphabet = "0123456789+- \t\r\n\v\fx.#e";
    auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const size_t pieces = 1 + pick(12);
        for (size_t i = 0; i < pieces; ++i) {
            if (pick(4) == 0) {
                text += alphabet[pick(alphabet.size())];
            } else {
                // A number of any length, mostly well-formed.
                if (pick(3) == 0) text += pick(2) == 0 ? '-' : '+';
                const size_t digits = 1 + pick(pick(2) == 0 ? 6 : 25);
                for (size_t d = 0; d < digits; ++d) text += static_cast<char>('0' + pick(10));
                text += pick(5) == 0 ? "\r\n" : " ";
            }
        }
        expect_same(text);
    }
}

TEST(ValueScanner, MatchesScanfOnLongRandomTexts) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the scanner reproduces glibc's conversion of out-of-range numbers";
#endif
    // Long enough for runs of values to be scanned straight from the buffer,
    // with the buffer's end falling anywhere.
    std::mt19937_64 random(99);
    auto pick = [&random](size_t n) { return static_cast<size_t>(random() % n); };
    const char* const separators[] = {" ", "\r\n", "\t", "  ", "\n\n", " \r\n"};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        const size_t tokens = 50 + pick(400);
        for (size_t i = 0; i < tokens; ++i) {
            if (pick(3) == 0) text += pick(2) == 0 ? '-' : '+';
            const size_t digits = 1 + (pick(20) == 0 ? pick(30) : pick(10));
            for (size_t d = 0; d < digits; ++d) text += static_cast<char>('0' + pick(10));
            text += separators[pick(6)];
        }
        if (pick(2) == 0) text.insert(pick(text.size()), 1, "x#.-+"[pick(5)]);
        expect_same(text, {1, 5, 33, 100, 257, text_source::kCapacity});
    }
}

TEST(ValueScanner, LongTokensAcrossManyBufferFills) {
#ifndef __GLIBC__
    GTEST_SKIP() << "the scanner reproduces glibc's conversion of out-of-range numbers";
#endif
    // Longer than the whole buffer: the token must still be taken as one.
    const std::string zeros(text_source::kCapacity + 100, '0');
    expect_same(zeros + "12345 " + "-" + zeros + "7");
    expect_same(std::string(text_source::kCapacity * 2, ' ') + "42");
}

TEST(TextSource, LinesLikeTextModeFgets) {
    const std::string text = "ab\r\ncd\r\re\rf\n\r\n" + std::string(600, 'x') + "\nlast";
    for (const size_t chunk : {size_t{1}, size_t{5}, text_source::kCapacity}) {
        memory_input input{text};
        text_source source(memory_input::read, &input, -1, chunk);
        char line[512];
        ASSERT_TRUE(source.read_line(line, sizeof line));
        EXPECT_STREQ(line, "ab\n");
        ASSERT_TRUE(source.read_line(line, sizeof line));
        EXPECT_STREQ(line, "cd\r\re\rf\n");  // lone carriage returns stay
        ASSERT_TRUE(source.read_line(line, sizeof line));
        EXPECT_STREQ(line, "\n");
        ASSERT_TRUE(source.read_line(line, sizeof line));
        EXPECT_EQ(std::string(line), std::string(511, 'x'));  // a long line is cut
        ASSERT_TRUE(source.read_line(line, sizeof line));
        EXPECT_EQ(std::string(line), std::string(89, 'x') + "\n");
        ASSERT_TRUE(source.read_line(line, 3));
        EXPECT_STREQ(line, "la");
        ASSERT_TRUE(source.read_line(line, sizeof line));
        EXPECT_STREQ(line, "st");  // the last line has no line end
        EXPECT_FALSE(source.read_line(line, sizeof line));
        EXPECT_EQ(source.bytes_left(), -1);
    }
}

}  // namespace
