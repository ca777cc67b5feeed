// Reading ASCII data files: both formats, every header field, every error
// code with its reported line, data spread over any lines, line ends, and
// hostile dimensions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ascii_samples.h"
#include "datafile/ascii_reader.h"
#include "datafile/datafile.h"
#include "support/host_locale.h"
#include "support/measurement.h"

namespace {

using test_support::join;
using test_support::quoted;
using test_support::sample_file;

// What one read produced.
struct read_result : measurement {
    int32_t err = NO_ERROR;
    std::string printed;
    std::vector<uint16_t> intensity() const {
        return intens.matrix ? std::vector<uint16_t>(intens.matrix, intens.matrix + intens.size)
                             : std::vector<uint16_t>{};
    }
    std::vector<int32_t> phase_values() const {
        return phase.matrix ? std::vector<int32_t>(phase.matrix, phase.matrix + phase.size)
                            : std::vector<int32_t>{};
    }
};

void read_text(const std::string& text, read_result& r, bool with_intensity = true,
               bool with_phase = true) {
    temp_file file("data.asc");
    file.write_text(text);
    print_capture capture;
    r.err = df_read_ascii(file.c_str(), &r.ident, &r.params, with_intensity ? &r.intens : nullptr,
                          with_phase ? &r.phase : nullptr);
    r.printed = capture.printed();
}

std::string line_report(int line) {
    return "-***- Error in Line " + std::to_string(line) + " -***-\n";
}

// The sample's lines with header line k replaced.
std::string with_line(std::vector<std::string> lines, int k, const std::string& text) {
    lines[static_cast<size_t>(k - 1)] = text;
    return join(lines);
}

TEST(ReadAscii, Format2ReadsEveryCarriedField) {
    const sample_file sample;
    read_result r;
    read_text(join(sample.lines()), r);
    ASSERT_EQ(r.err, NO_ERROR);
    EXPECT_EQ(r.printed, "");

    EXPECT_EQ(r.ident.ident_a, 1);
    EXPECT_EQ(r.ident.ident_b, -2);
    EXPECT_EQ(r.ident.ident_c, 3);
    EXPECT_EQ(r.ident.ident_d, 4);
    EXPECT_STREQ(r.ident.ident_text, "Ident text");  // trimmed at both ends

    EXPECT_EQ(r.intens.window.x, 10);
    EXPECT_EQ(r.intens.window.y, 20);
    EXPECT_EQ(r.intens.window.width, 3);
    EXPECT_EQ(r.intens.window.height, 2);
    EXPECT_EQ(r.intens.n_buckets, 2);
    EXPECT_EQ(r.intens.range, 65535);
    EXPECT_EQ(r.phase.window.x, 11);
    EXPECT_EQ(r.phase.window.y, 21);
    EXPECT_EQ(r.phase.window.width, 4);
    EXPECT_EQ(r.phase.window.height, 3);

    const data_file_params& p = r.params;
    EXPECT_STREQ(p.text_80, "text eighty");
    EXPECT_STREQ(p.text_320, "text 320");
    EXPECT_STREQ(p.text_258, "text 258");
    EXPECT_EQ(p.val_162, 7);
    EXPECT_FLOAT_EQ(p.val_164, 1.5f);
    EXPECT_FLOAT_EQ(p.val_168, -2.25f);
    EXPECT_FLOAT_EQ(p.val_172, 1e-05f);
    EXPECT_FLOAT_EQ(p.val_176, 3.14159f);
    EXPECT_FLOAT_EQ(p.val_180, 100000.0f);
    EXPECT_FLOAT_EQ(p.val_184, 1e6f);
    EXPECT_EQ(p.val_76, 123456);
    EXPECT_EQ(p.val_234, 11);
    EXPECT_EQ(p.val_236, 12);
    EXPECT_EQ(p.val_238, 13);
    EXPECT_EQ(p.val_240, 14);
    EXPECT_EQ(p.val_242, 4464);
    EXPECT_EQ(p.val_242_wide, 70000);
    EXPECT_EQ(p.val_244, 16);
    EXPECT_STREQ(p.text_246, "t246");
    // Line 10 holds val_196 before val_194.
    EXPECT_EQ(p.val_188, 21);
    EXPECT_EQ(p.val_190, 22);
    EXPECT_EQ(p.val_192, 23);
    EXPECT_EQ(p.val_196, 24);
    EXPECT_EQ(p.val_194, 25);
    EXPECT_EQ(p.val_202, 26);
    EXPECT_FLOAT_EQ(p.val_204, 0.5f);
    EXPECT_FLOAT_EQ(p.val_498, 2.5f);
    EXPECT_EQ(p.val_210, -7);
    EXPECT_EQ(p.val_214, 8);
    EXPECT_EQ(p.val_218, 31);
    EXPECT_EQ(p.val_300, 32);
    EXPECT_EQ(p.val_220, -33);
    EXPECT_EQ(p.val_224, 34);
    EXPECT_FLOAT_EQ(p.val_226, 4.5f);
    EXPECT_EQ(p.val_230, 36);
    EXPECT_EQ(p.val_364, 37);
    EXPECT_EQ(p.val_232, 38);
    EXPECT_EQ(p.val_298, 39);
    EXPECT_EQ(p.val_302, 41);
    EXPECT_STREQ(p.text_534, "text 534");
    EXPECT_FLOAT_EQ(p.val_360, 632.8f);
    EXPECT_FLOAT_EQ(p.val_198, -0.125f);
    EXPECT_STREQ(p.text_562, "t562");
    EXPECT_EQ(p.format_mark, 0);

    EXPECT_EQ(r.intensity(), sample.intensity);
    EXPECT_EQ(r.phase_values(), sample.phase);
}

// A host program's locale changes nothing: the same records as in the C
// locale, and a byte that is white space only in the host's code page (a
// non-breaking space, 0xA0, on Windows) still ends a number's line.
TEST(ReadAscii, HostLocaleChangesNothing) {
    const sample_file sample;
    const std::string with_nbsp = with_line(sample.lines(), 13, "632.8\xA0-0.125");
    read_result c_locale;
    read_text(join(sample.lines()), c_locale);
    ASSERT_EQ(c_locale.err, NO_ERROR);
    read_result c_nbsp;
    read_text(with_nbsp, c_nbsp);
    EXPECT_EQ(c_nbsp.err, ERR_CORRUPT_DATA_FILE);

    const host_locale locale;
    REQUIRE_HOST_LOCALE(locale);
    read_result host;
    read_text(join(sample.lines()), host);
    ASSERT_EQ(host.err, NO_ERROR);
    EXPECT_EQ(std::memcmp(&host.params, &c_locale.params, sizeof host.params), 0);
    EXPECT_EQ(host.params.val_172, 1e-05f);
    EXPECT_EQ(host.phase_values(), c_locale.phase_values());
    read_result host_nbsp;
    read_text(with_nbsp, host_nbsp);
    EXPECT_EQ(host_nbsp.err, ERR_CORRUPT_DATA_FILE);
    EXPECT_EQ(host_nbsp.printed, line_report(13));
}

TEST(ReadAscii, FieldsTheFileDoesNotCarryAreZero) {
    const sample_file sample;
    read_result r;
    std::memset(&r.params, 0x5A, sizeof r.params);
    std::memset(&r.ident, 0x5A, sizeof r.ident);
    read_text(join(sample.lines()), r);
    ASSERT_EQ(r.err, NO_ERROR);
    EXPECT_EQ(r.params.val_366, 0);
    EXPECT_EQ(r.params.arr_430[13], 0u);
    EXPECT_EQ(r.params.raw_1454[2641], 0);
    EXPECT_EQ(r.ident.ident_text[29], '\0');
}

TEST(ReadAscii, Format1HasNoLine14) {
    sample_file sample;
    sample.format = 1;
    read_result r;
    read_text(join(sample.lines()), r);
    ASSERT_EQ(r.err, NO_ERROR);
    EXPECT_STREQ(r.params.text_562, "");
    EXPECT_FLOAT_EQ(r.params.val_198, -0.125f);
    EXPECT_EQ(r.phase_values(), sample.phase);
}

TEST(ReadAscii, Format2WithoutLine14FailsAtTheSeparator) {
    sample_file sample;
    auto lines = sample.lines();
    lines.erase(lines.begin() + 13);
    read_result r;
    read_text(join(lines), r);
    EXPECT_EQ(r.err, ERR_CORRUPT_DATA_FILE);
    EXPECT_EQ(r.printed, line_report(14));
}

TEST(ReadAscii, FirstLineMustBeExact) {
    const auto lines = sample_file().lines();
    for (const char* first :
         {"Tesk ASCII Data File - Format 3", "Tesk ASCII Data File - Format 2 ",
          " Tesk ASCII Data File - Format 2", "tesk ascii data file - format 2", ""}) {
        read_result r;
        read_text(with_line(lines, 1, first), r);
        EXPECT_EQ(r.err, ERR_UNKNOWN_ASCII_FORMAT_TYPE) << first;
        EXPECT_EQ(r.printed, line_report(1));
    }
    // Without its line end the first line does not match either.
    read_result r;
    read_text("Tesk ASCII Data File - Format 2", r);
    EXPECT_EQ(r.err, ERR_UNKNOWN_ASCII_FORMAT_TYPE);
}

TEST(ReadAscii, MissingHeaderLineIsPrematureEnd) {
    const auto lines = sample_file().lines();
    for (int k = 1; k <= 14; ++k) {
        const std::vector<std::string> head(lines.begin(), lines.begin() + (k - 1));
        read_result r;
        read_text(join(head), r);
        EXPECT_EQ(r.err, ERR_PREMATURE_EOF) << k;
        EXPECT_EQ(r.printed, line_report(k));
        EXPECT_EQ(r.intens.matrix, nullptr);
        EXPECT_EQ(r.phase.matrix, nullptr);
    }
}

TEST(ReadAscii, WrongConversionCountIsCorruptWithItsLine) {
    const auto lines = sample_file().lines();
    const std::pair<int, std::string> bad[] = {
        {2, "1 2 3 " + quoted("x", 29)},
        {2, "1 2 3 4 \"short\""},  // the reader relies on the writer's padding
        {3, "10 20 3 2 2"},
        {4, "11 21 4"},
        {5, "text eighty"},
        {6, "\"" + std::string(30, 'a') + "\""},
        {7, ""},
        {8, "7 1.5 -2.25 1e-05 3.14159 100000 1e+06"},
        {8, "7 1.5 x 1e-05 3.14159 100000 1e+06 5"},
        {9, "11 12 13 14 70000 " + quoted("t246", 11)},
        {10, "21 22 23 24 25 26 0.5 2.5 -7"},
        {11, "31 32 -33 34 4.5 36 37 38"},
        {12, quoted("text 534", 27)},
        {13, "632.8"},
        {14, "\"t562\""},
    };
    for (const auto& [k, text] : bad) {
        read_result r;
        read_text(with_line(lines, k, text), r);
        EXPECT_EQ(r.err, ERR_CORRUPT_DATA_FILE) << k << ": " << text;
        EXPECT_EQ(r.printed, line_report(k)) << k;
        EXPECT_EQ(r.intens.window.width, 0);  // released, whatever was parsed
        EXPECT_EQ(r.phase.window.width, 0);
    }
}

TEST(ReadAscii, MatrixLinesAreNotScannedWithoutTheirMatrix) {
    sample_file sample;
    auto lines = sample.lines();
    lines[2] = "not numbers";
    read_result r;
    read_text(join(lines), r, false, true);
    EXPECT_EQ(r.err, NO_ERROR);
    EXPECT_EQ(r.phase_values(), sample.phase);  // the intensity values were passed over

    lines = sample.lines();
    lines[3] = "11 21 4";
    read_result q;
    read_text(join(lines), q, true, false);
    EXPECT_EQ(q.err, NO_ERROR);
    EXPECT_EQ(q.intensity(), sample.intensity);
}

TEST(ReadAscii, Val242TakesLowBitsAndWideAbove65535) {
    const auto lines = sample_file().lines();
    const struct {
        const char* number;
        int16_t narrow;
        int32_t wide;
    } cases[] = {{"70000", 4464, 70000}, {"-1", -1, 0},         {"65535", -1, 0},
                 {"65536", 0, 65536},    {"-32768", -32768, 0}, {"32767", 32767, 0}};
    for (const auto& c : cases) {
        read_result r;
        read_text(with_line(lines, 9,
                            std::string("11 12 13 14 ") + c.number + " 16 " + quoted("t246", 11)),
                  r);
        ASSERT_EQ(r.err, NO_ERROR);
        EXPECT_EQ(r.params.val_242, c.narrow) << c.number;
        EXPECT_EQ(r.params.val_242_wide, c.wide) << c.number;
    }
}

TEST(ReadAscii, QuotedTextsFillTheirFieldsExactly) {
    auto lines = sample_file().lines();
    lines[4] = "\"" + std::string(81, 'z') + "\"";
    lines[13] = "\" \t  \t  \"";  // all blanks: trimmed to nothing
    read_result r;
    read_text(join(lines), r);
    ASSERT_EQ(r.err, NO_ERROR);
    EXPECT_EQ(std::string(r.params.text_80), std::string(81, 'z'));
    EXPECT_STREQ(r.params.text_562, "");
}

TEST(ReadAscii, ValuesOverAnyLineLengthsReadTheSame) {
    sample_file sample;
    for (int i = 0; i < 200; ++i) sample.intensity.push_back(static_cast<uint16_t>(i * 311));
    sample.intens_buckets = 1;
    sample.intens_width = 106;
    for (int i = 0; i < 100; ++i) sample.phase.push_back(-i * 99991);
    sample.phase_width = 28;
    sample.phase_height = 4;
    for (const size_t per_line : {size_t{1}, size_t{3}, size_t{10}, size_t{17}, size_t{100000}}) {
        sample.per_line = per_line;
        read_result r;
        read_text(join(sample.lines()), r);
        ASSERT_EQ(r.err, NO_ERROR) << per_line;
        EXPECT_EQ(r.intensity(), sample.intensity);
        EXPECT_EQ(r.phase_values(), sample.phase);
    }
    // Extra white space of every kind between values changes nothing.
    auto lines = sample.lines();
    for (auto& l : lines) {
        if (!l.empty() && (l[0] == '-' || (l[0] >= '0' && l[0] <= '9')) && l.size() > 100) {
            std::string spaced;
            for (const char c : l)
                spaced += c == ' ' ? std::string(" \t\v\f \r\n ") : std::string(1, c);
            l = spaced;
        }
    }
    read_result r;
    read_text(join(lines), r);
    ASSERT_EQ(r.err, NO_ERROR);
    EXPECT_EQ(r.intensity(), sample.intensity);
    EXPECT_EQ(r.phase_values(), sample.phase);
}

TEST(ReadAscii, BareLineFeedsReadLikeCarriageReturnLineFeeds) {
    sample_file sample;
    for (int i = 0; i < 50000; ++i) sample.phase.push_back(i * 40503 - 1'000'000'000);
    sample.phase_width = 25006;
    sample.phase_height = 2;
    read_result crlf;
    read_text(join(sample.lines(), "\r\n"), crlf);
    read_result lf;
    read_text(join(sample.lines(), "\n"), lf);
    ASSERT_EQ(crlf.err, NO_ERROR);
    ASSERT_EQ(lf.err, NO_ERROR);
    EXPECT_EQ(std::memcmp(&crlf.ident, &lf.ident, sizeof lf.ident), 0);
    EXPECT_EQ(std::memcmp(&crlf.params, &lf.params, sizeof lf.params), 0);
    EXPECT_EQ(crlf.intensity(), lf.intensity());
    EXPECT_EQ(crlf.phase_values(), lf.phase_values());
    EXPECT_EQ(lf.phase_values(), sample.phase);
}

TEST(ReadAscii, ShortOrBadDataFailsAndReleasesBothMatrices) {
    sample_file sample;
    sample.phase.pop_back();
    for (const int format : {1, 2}) {
        sample.format = format;
        read_result r;
        read_text(join(sample.lines()), r);
        EXPECT_EQ(r.err, ERR_CANT_READ_FILE);
        EXPECT_EQ(r.printed, line_report(format == 2 ? 14 : 13));
        EXPECT_EQ(r.intens.matrix, nullptr);
        EXPECT_EQ(r.intens.size, 0u);
        EXPECT_EQ(r.intens.n_buckets, 0);
        EXPECT_EQ(r.intens.window.height, 0);
        EXPECT_EQ(r.phase.matrix, nullptr);
        EXPECT_EQ(r.phase.window.width, 0);
    }
    auto lines = sample_file().lines();
    lines[15] = "7 8 x9 10";
    read_result r;
    read_text(join(lines), r);
    EXPECT_EQ(r.err, ERR_CANT_READ_FILE);
    EXPECT_EQ(r.printed, line_report(14));
}

TEST(ReadAscii, EmptyOrNegativeDimensionsReadNoValues) {
    sample_file sample;
    sample.intens_buckets = 0;
    sample.intensity.clear();
    sample.phase_width = -4;
    sample.phase.clear();
    read_result r;
    read_text(join(sample.lines()), r);
    ASSERT_EQ(r.err, NO_ERROR);
    EXPECT_EQ(r.intens.matrix, nullptr);
    EXPECT_EQ(r.phase.matrix, nullptr);
    EXPECT_EQ(r.phase.window.width, -4);
}

// Allocation hook that refuses every block.
void* refuse(size_t) {
    return nullptr;
}

TEST(ReadAscii, AllocationFailureEndsTheRead) {
    void* (*saved)(size_t) = gl_MallocFunc;
    gl_MallocFunc = refuse;
    read_result r;
    read_text(join(sample_file().lines()), r);
    gl_MallocFunc = saved;
    EXPECT_EQ(r.err, ERR_NO_MEM);
    EXPECT_EQ(r.printed, line_report(14));
}

// Allocation hook that records the largest request.
size_t largest_request = 0;
void* recording_malloc(size_t size) {
    largest_request = std::max(largest_request, size);
    return std::malloc(size);
}

TEST(ReadAscii, HugeDimensionsInASmallFileAllocateNothingLarge) {
    void* (*saved)(size_t) = gl_MallocFunc;
    gl_MallocFunc = recording_malloc;
    largest_request = 0;

    sample_file sample;
    sample.intens_width = sample.intens_height = sample.intens_buckets = 32767;
    read_result too_many;
    read_text(join(sample.lines()), too_many);
    EXPECT_EQ(too_many.err, ERR_DATASET_DIM_TOO_LARGE);

    sample = sample_file();
    sample.phase_width = sample.phase_height = 32767;  // 4 GiB of values claimed
    read_result short_file;
    read_text(join(sample.lines()), short_file);
    EXPECT_EQ(short_file.err, ERR_CANT_READ_FILE);
    EXPECT_EQ(short_file.printed, line_report(14));

    // From an input of unknown length the values are collected first.
    test_support::memory_input input{join(sample.lines())};
    text_source source(test_support::memory_input::read, &input, -1, 4096);
    read_result unknown;
    {
        print_capture capture;
        unknown.err = read_ascii_text(source, &unknown.ident, &unknown.params, &unknown.intens,
                                      &unknown.phase);
        unknown.printed = capture.printed();
    }
    EXPECT_EQ(unknown.err, ERR_CANT_READ_FILE);
    EXPECT_EQ(unknown.printed, line_report(14));

    gl_MallocFunc = saved;
    EXPECT_LT(largest_request, size_t{1} << 20);
}

TEST(ReadAscii, InputOfUnknownLengthReadsTheSame) {
    const sample_file sample;
    for (const size_t chunk : {size_t{1}, size_t{13}, text_source::kCapacity}) {
        test_support::memory_input input{join(sample.lines(), "\n")};
        text_source source(test_support::memory_input::read, &input, -1, chunk);
        read_result r;
        r.err = read_ascii_text(source, &r.ident, &r.params, &r.intens, &r.phase);
        ASSERT_EQ(r.err, NO_ERROR);
        EXPECT_EQ(r.intensity(), sample.intensity);
        EXPECT_EQ(r.phase_values(), sample.phase);
        EXPECT_STREQ(r.params.text_562, "t562");
    }
}

TEST(ReadAscii, UnopenableFileReportsNoLine) {
    read_result r;
    std::memset(&r.params, 0x5A, sizeof r.params);
    print_capture capture;
    r.err = df_read_ascii("/nonexistent/dir/file.asc", &r.ident, &r.params, &r.intens, &r.phase);
    EXPECT_EQ(r.err, ERR_CANT_OPEN_FILE);
    EXPECT_EQ(df_read_ascii("", &r.ident, &r.params, &r.intens, &r.phase), ERR_CANT_OPEN_FILE);
    EXPECT_EQ(capture.printed(), "");
    EXPECT_EQ(r.params.val_76, 0);  // cleared before the open
    EXPECT_EQ(df_read_ascii("x", nullptr, &r.params, nullptr, nullptr), ERR_INVALID_PARAM);
}

}  // namespace
