// Generated binary files through the ASCII writer and back through the ASCII
// reader: the records survive, apart from trimmed texts and floating-point
// values kept to six significant digits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "datafile/datafile.h"
#include "support/host_locale.h"
#include "support/measurement.h"
#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"

namespace {

template <size_t N>
std::string trimmed(const char (&text)[N]) {
    std::string s(text, strnlen(text, N));
    const size_t first = s.find_first_not_of(" \t\n");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\n") - first + 1);
}

void expect_six_digits(float expected, float actual, const char* name) {
    EXPECT_NEAR(actual, expected, std::fabs(expected) * 5e-6) << name;
}

void expect_same_params(const data_file_params& a, const data_file_params& b) {
#define SAME_INT(f) EXPECT_EQ(b.f, a.f) << #f
#define SAME_FLOAT(f) expect_six_digits(a.f, b.f, #f)
#define SAME_TEXT(f) EXPECT_EQ(trimmed(b.f), trimmed(a.f)) << #f
    SAME_TEXT(text_80);
    SAME_TEXT(text_320);
    SAME_TEXT(text_258);
    SAME_INT(val_162);
    SAME_FLOAT(val_164);
    SAME_FLOAT(val_168);
    SAME_FLOAT(val_172);
    SAME_FLOAT(val_176);
    SAME_FLOAT(val_180);
    SAME_FLOAT(val_184);
    SAME_INT(val_76);
    SAME_INT(val_234);
    SAME_INT(val_236);
    SAME_INT(val_238);
    SAME_INT(val_240);
    SAME_INT(val_242);
    SAME_INT(val_244);
    SAME_TEXT(text_246);
    SAME_INT(val_188);
    SAME_INT(val_190);
    SAME_INT(val_192);
    SAME_INT(val_196);
    SAME_INT(val_194);
    SAME_INT(val_202);
    SAME_FLOAT(val_204);
    SAME_FLOAT(val_498);
    SAME_INT(val_210);
    SAME_INT(val_214);
    SAME_INT(val_218);
    SAME_INT(val_300);
    SAME_INT(val_220);
    SAME_INT(val_224);
    SAME_FLOAT(val_226);
    SAME_INT(val_230);
    SAME_INT(val_364);
    SAME_INT(val_232);
    SAME_INT(val_298);
    SAME_INT(val_302);
    SAME_TEXT(text_534);
    SAME_FLOAT(val_360);
    SAME_FLOAT(val_198);
#undef SAME_INT
#undef SAME_FLOAT
#undef SAME_TEXT
}

// The records of the generated file that opt describes, as the binary
// reader returns them.
void read_generated(const dfgen::options& opt, measurement& m) {
    const temp_file binary("round.dat");
    ASSERT_EQ(dfgen::write_file(binary.c_str(), dfgen::build_datafile(opt)), NO_ERROR);
    ASSERT_EQ(df_read_binary(binary.c_str(), &m.ident, &m.params, &m.intens, &m.phase), NO_ERROR);
}

// Writes and reads back in the current locale; the file's bytes to *text.
void write_and_read(const measurement& original, const temp_file& file, std::string* text,
                    measurement& back) {
    ASSERT_EQ(df_write_ascii(file.c_str(), &original.ident, &original.params, &original.intens,
                             &original.phase),
              NO_ERROR);
    *text = file.read();
    ASSERT_EQ(df_read_ascii(file.c_str(), &back.ident, &back.params, &back.intens, &back.phase),
              NO_ERROR);
}

struct RoundTrip : ::testing::TestWithParam<std::tuple<int, bool, bool>> {};

TEST_P(RoundTrip, RecordsSurviveTheAsciiForm) {
    const auto [format, with_intensity, with_phase] = GetParam();
    dfgen::options opt;
    opt.format = format;
    opt.width = 23;  // rows that do not end on a line of ten values
    opt.height = 7;
    opt.n_buckets = 3;
    opt.intensity = with_intensity;
    opt.phase = with_phase;
    opt.seed = static_cast<uint64_t>(format * 10 + with_intensity * 2 + with_phase);

    measurement original;
    read_generated(opt, original);
    if (HasFatalFailure()) return;
    const temp_file text("round.txt");
    std::string written;
    measurement back;
    write_and_read(original, text, &written, back);
    if (HasFatalFailure()) return;

    EXPECT_EQ(back.ident.ident_a, original.ident.ident_a);
    EXPECT_EQ(back.ident.ident_b, original.ident.ident_b);
    EXPECT_EQ(back.ident.ident_c, original.ident.ident_c);
    EXPECT_EQ(back.ident.ident_d, original.ident.ident_d);
    EXPECT_EQ(trimmed(back.ident.ident_text), trimmed(original.ident.ident_text));
    expect_same_params(original.params, back.params);
    EXPECT_EQ(trimmed(back.params.text_562), trimmed(original.params.text_562));

    EXPECT_EQ(std::memcmp(&back.intens.window, &original.intens.window, sizeof(matrix_window)), 0);
    EXPECT_EQ(back.intens.n_buckets, original.intens.n_buckets);
    EXPECT_EQ(back.intens.range, original.intens.range);
    ASSERT_EQ(back.intens.size, original.intens.size);
    if (original.intens.size > 0) {
        EXPECT_EQ(std::memcmp(back.intens.matrix, original.intens.matrix,
                              original.intens.size * sizeof(uint16_t)),
                  0);
    }
    EXPECT_EQ(std::memcmp(&back.phase.window, &original.phase.window, sizeof(matrix_window)), 0);
    ASSERT_EQ(back.phase.size, original.phase.size);
    if (original.phase.size > 0) {
        EXPECT_EQ(std::memcmp(back.phase.matrix, original.phase.matrix,
                              original.phase.size * sizeof(int32_t)),
                  0);
    }
}

// The file and what is read from it are the same whatever locale the host
// program has set. Under a decimal comma the writer once wrote "0,5" and
// the reader then refused the library's own file.
TEST(RoundTripUnderHostLocale, SameBytesAndSameRecords) {
    dfgen::options opt;
    opt.width = 13;
    opt.height = 5;
    opt.n_buckets = 2;
    measurement original;
    read_generated(opt, original);
    if (HasFatalFailure()) return;
    // Values that need a decimal point or an exponent.
    original.params.val_164 = 0.5f;
    original.params.val_172 = -1.25e-05f;
    original.params.val_226 = 1e-07f;
    original.params.val_360 = 632.8f;
    original.params.val_198 = -0.125f;

    const temp_file text("round.txt");
    std::string c_text;
    measurement c_back;
    write_and_read(original, text, &c_text, c_back);
    if (HasFatalFailure()) return;
    EXPECT_NE(c_text.find("\r\n632.8 -0.125\r\n"), std::string::npos);

    const host_locale locale;
    REQUIRE_HOST_LOCALE(locale);
    std::string host_text;
    measurement host_back;
    write_and_read(original, text, &host_text, host_back);
    EXPECT_EQ(host_text, c_text);
    EXPECT_EQ(std::memcmp(&host_back.ident, &c_back.ident, sizeof c_back.ident), 0);
    EXPECT_EQ(std::memcmp(&host_back.params, &c_back.params, sizeof c_back.params), 0);
    ASSERT_EQ(host_back.intens.size, c_back.intens.size);
    ASSERT_EQ(host_back.phase.size, c_back.phase.size);
    EXPECT_TRUE(std::equal(c_back.intens.matrix, c_back.intens.matrix + c_back.intens.size,
                           host_back.intens.matrix));
    EXPECT_TRUE(std::equal(c_back.phase.matrix, c_back.phase.matrix + c_back.phase.size,
                           host_back.phase.matrix));
}

INSTANTIATE_TEST_SUITE_P(AllFormatsAndBlocks, RoundTrip,
                         ::testing::Combine(::testing::Values(1, 2, 3), ::testing::Bool(),
                                            ::testing::Bool()));

}  // namespace
