// The ASCII data file writer: exact bytes for hand-built records, the fast
// integer formatting against printf, error codes, and whole generated files
// against a slow reference writer.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "datafile/decimal_format.h"
#include "tools/generator/datafile_generator.h"

namespace {

std::string temp_path(const std::string& name) {
    return (std::filesystem::path(::testing::TempDir()) / ("write_ascii_" + name)).string();
}

std::string read_all(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <size_t N>
void set_text(char (&field)[N], const char* text) {
    std::memset(field, 0, N);
    std::memcpy(field, text, std::min(std::strlen(text), N));
}

// A quoted text as the file holds it: text, blanks up to width, quotes.
std::string quoted(const std::string& text, size_t width) {
    return '"' + text + std::string(width > text.size() ? width - text.size() : 0, ' ') + '"';
}

// The slow reference: one snprintf per field and per value, with "\n" line
// ends turned into CR LF afterwards exactly as a text-mode stream does.
class reference_writer {
  public:
    U_PRINTF_FORMAT(2, 3) void print(const char* format, ...) {
        char piece[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(piece, sizeof piece, format, args);
        va_end(args);
        text_ += piece;
    }
    template <size_t N>
    void quoted_field(const char (&field)[N]) {
        print("\"%-*.*s\"", static_cast<int>(N - 1), static_cast<int>(N), field);
    }
    // "%u " for intensity values, "%d " for phase values.
    template <typename T>
    void values(const T* data, int64_t count) {
        int counter = 1;
        for (int64_t i = 0; i < count; ++i) {
            if constexpr (std::is_same_v<T, uint16_t>) {
                print("%u ", data[i]);
            } else {
                print("%d ", data[i]);
            }
            if (++counter > 10) {
                print("\n");
                counter = 1;
            }
        }
        if (counter != 1) print("\n");
    }
    std::string crlf() const {
        std::string out;
        for (const char c : text_) {
            if (c == '\n') out += '\r';
            out += c;
        }
        return out;
    }

  private:
    std::string text_;
};

std::string reference_ascii(const data_file_ident& id, const data_file_params& p,
                            const intens_matrix* in, const phase_matrix* ph) {
    reference_writer w;
    w.print("Tesk ASCII Data File - Format 2\n");
    w.print("%hd %hd %hd %hd ", id.ident_a, id.ident_b, id.ident_c, id.ident_d);
    w.quoted_field(id.ident_text);
    w.print("\n");
    const intens_matrix i0{};
    const intens_matrix& i = in ? *in : i0;
    w.print("%hd %hd %hd %hd %hd %hd\n", i.window.x, i.window.y, i.window.width, i.window.height,
            i.n_buckets, static_cast<int16_t>(i.range));
    const phase_matrix p0{};
    const phase_matrix& f = ph ? *ph : p0;
    w.print("%hd %hd %hd %hd\n", f.window.x, f.window.y, f.window.width, f.window.height);
    w.quoted_field(p.text_80);
    w.print("\n");
    w.quoted_field(p.text_320);
    w.print("\n");
    w.quoted_field(p.text_258);
    w.print("\n");
    w.print("%d %g %g %g %g %g %g %d\n", p.val_162, double{p.val_164}, double{p.val_168},
            double{p.val_172}, double{p.val_176}, double{p.val_180}, double{p.val_184}, p.val_76);
    if (p.val_242_wide == 0) {
        w.print("%hd %hd %hd %hd %hd %hd ", p.val_234, p.val_236, p.val_238, p.val_240, p.val_242,
                p.val_244);
    } else {
        w.print("%hd %hd %hd %hd %d %hd ", p.val_234, p.val_236, p.val_238, p.val_240,
                p.val_242_wide, p.val_244);
    }
    w.quoted_field(p.text_246);
    w.print("\n");
    w.print("%hd %hd %hd %hd %hd %hd %g %g %d %d\n", p.val_188, p.val_190, p.val_192, p.val_196,
            p.val_194, p.val_202, double{p.val_204}, double{p.val_498}, p.val_210, p.val_214);
    w.print("%hd %hd %d %hd %g %hd %hd %hd %hd\n", p.val_218, p.val_300, p.val_220, p.val_224,
            double{p.val_226}, p.val_230, p.val_364, p.val_232, p.val_298);
    w.print("%hd ", p.val_302);
    w.quoted_field(p.text_534);
    w.print("\n");
    w.print("%g %g\n", double{p.val_360}, double{p.val_198});
    w.quoted_field(p.text_562);
    w.print("\n#\n");
    if (in) w.values(in->matrix, int64_t{i.window.width} * i.window.height * i.n_buckets);
    w.print("#\n");
    if (ph) w.values(ph->matrix, int64_t{f.window.width} * f.window.height);
    w.print("#\n");
    return w.crlf();
}

// Hand-built records whose header lines are spelled out in full below.
struct hand_records {
    data_file_ident ident{};
    data_file_params params{};
    std::vector<uint16_t> intens_values{0, 1, 9, 10, 99, 100, 999, 1000, 9999, 10000, 65534, 65535};
    std::vector<int32_t> phase_values{-1, 0, INT32_MIN, INT32_MAX, PHASE_INVALID, 2147483639};
    intens_matrix intens{};
    phase_matrix phase{};

    hand_records(const hand_records&) = delete;
    hand_records() {
        ident = {1, {}, 2, -3, 4};
        set_text(ident.ident_text, "Demo");
        set_text(params.text_80, "Comment");
        set_text(params.text_320, "Operator");
        set_text(params.text_258, "Part");
        params.val_162 = -7;
        params.val_164 = 0.5f;
        params.val_168 = 632.8f;
        params.val_172 = -1.25e-05f;
        params.val_176 = 1234567.0f;
        params.val_180 = 0.0001f;
        params.val_184 = 3.0f;
        params.val_76 = -2000000000;
        params.val_234 = 1;
        params.val_236 = 2;
        params.val_238 = 3;
        params.val_240 = 4;
        params.val_242 = 5;
        params.val_244 = 6;
        set_text(params.text_246, "2024-05-14");
        params.val_188 = 10;
        params.val_190 = 11;
        params.val_192 = 12;
        params.val_194 = 13;
        params.val_196 = 14;
        params.val_202 = 15;
        params.val_204 = 25.4f;
        params.val_498 = 1e20f;
        params.val_210 = -1;
        params.val_214 = INT32_MAX;
        params.val_218 = -32768;
        params.val_300 = 32767;
        params.val_220 = INT32_MIN;
        params.val_224 = 0;
        params.val_226 = 1e-07f;
        params.val_230 = 21;
        params.val_364 = 22;
        params.val_232 = 23;
        params.val_298 = 24;
        params.val_302 = 9;
        set_text(params.text_534, "20x");
        params.val_360 = 0.8f;
        params.val_198 = 0.001f;
        set_text(params.text_562, "v2");
        intens = {12, {1, 2, 3, 2}, 2, 65535, intens_values.data()};
        phase = {6, {-5, 6, 3, 2}, phase_values.data()};
    }
};

// clang-format off
std::string hand_header(const std::string& line3, const std::string& line4) {
    return "Tesk ASCII Data File - Format 2\r\n"
           "1 2 -3 4 " + quoted("Demo", 29) + "\r\n" +
           line3 + "\r\n" +
           line4 + "\r\n" +
           quoted("Comment", 81) + "\r\n" +
           quoted("Operator", 39) + "\r\n" +
           quoted("Part", 39) + "\r\n"
           "-7 0.5 632.8 -1.25e-05 1.23457e+06 0.0001 3 -2000000000\r\n"
           "1 2 3 4 5 6 " + quoted("2024-05-14", 11) + "\r\n"
           "10 11 12 14 13 15 25.4 1e+20 -1 2147483647\r\n"
           "-32768 32767 -2147483648 0 1e-07 21 22 23 24\r\n"
           "9 " + quoted("20x", 27) + "\r\n"
           "0.8 0.001\r\n" +
           quoted("v2", 7) + "\r\n"
           "#\r\n";
}
// clang-format on

const std::string HAND_INTENS_LINES =
    "0 1 9 10 99 100 999 1000 9999 10000 \r\n"
    "65534 65535 \r\n";
const std::string HAND_PHASE_LINES = "-1 0 -2147483648 2147483647 2147483640 2147483639 \r\n";

// Writes and returns the file's bytes; the code must be NO_ERROR.
std::string write_and_read(const char* name, const hand_records& r, const intens_matrix* intens,
                           const phase_matrix* phase) {
    const std::string path = temp_path(name);
    EXPECT_EQ(df_write_ascii(path.c_str(), &r.ident, &r.params, intens, phase), NO_ERROR);
    return read_all(path);
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

TEST(WriteAsciiGolden, BothMatrices) {
    const hand_records r;
    EXPECT_EQ(write_and_read("both", r, &r.intens, &r.phase),
              hand_header("1 2 3 2 2 -1", "-5 6 3 2") + HAND_INTENS_LINES + "#\r\n" +
                  HAND_PHASE_LINES + "#\r\n");
}

TEST(WriteAsciiGolden, OneMatrixOnly) {
    const hand_records r;
    EXPECT_EQ(write_and_read("intens_only", r, &r.intens, nullptr),
              hand_header("1 2 3 2 2 -1", "0 0 0 0") + HAND_INTENS_LINES + "#\r\n#\r\n");
    EXPECT_EQ(write_and_read("phase_only", r, nullptr, &r.phase),
              hand_header("0 0 0 0 0 0", "-5 6 3 2") + "#\r\n" + HAND_PHASE_LINES + "#\r\n");
}

TEST(WriteAsciiGolden, EmptyOrNegativeCountsWriteNoValues) {
    hand_records r;
    r.intens = {0, {3, 4, 0, 7}, 2, 0, nullptr};
    r.phase = {0, {1, 1, 5, 0}, nullptr};
    const std::string empty = write_and_read("empty", r, &r.intens, &r.phase);
    EXPECT_EQ(empty, hand_header("3 4 0 7 2 0", "1 1 5 0") + "#\r\n#\r\n");
    EXPECT_EQ(split_lines(empty).size(), 17u);

    // A negative count: the line shows the dimensions, the section stays empty.
    r.intens = {0, {0, 0, -3, 2}, 2, 0, nullptr};
    r.phase = {0, {0, 0, -2, 5}, nullptr};
    EXPECT_EQ(write_and_read("negative", r, &r.intens, &r.phase),
              hand_header("0 0 -3 2 2 0", "0 0 -2 5") + "#\r\n#\r\n");
    // The count is the product of the dimensions, whatever their signs.
    std::vector<int32_t> ten(10, 5);
    r.phase = {10, {0, 0, -2, -5}, ten.data()};
    EXPECT_EQ(write_and_read("two_negative", r, nullptr, &r.phase),
              hand_header("0 0 0 0 0 0", "0 0 -2 -5") + "#\r\n5 5 5 5 5 5 5 5 5 5 \r\n#\r\n");
}

TEST(WriteAsciiGolden, LineBreaksAfterTenValues) {
    hand_records r;
    std::vector<int32_t> ten{1, -2, 3, -4, 5, -6, 7, -8, 9, -10};
    r.phase = {10, {0, 0, 5, 2}, ten.data()};
    const std::string text = write_and_read("ten", r, nullptr, &r.phase);
    EXPECT_EQ(text, hand_header("0 0 0 0 0 0", "0 0 5 2") + "#\r\n" +
                        "1 -2 3 -4 5 -6 7 -8 9 -10 \r\n#\r\n");

    std::vector<int32_t> twenty_one(21, 7);
    r.phase = {21, {0, 0, 7, 3}, twenty_one.data()};
    const std::vector<std::string> lines =
        split_lines(write_and_read("twenty_one", r, nullptr, &r.phase));
    ASSERT_EQ(lines.size(), 20u);
    EXPECT_EQ(lines[16], "7 7 7 7 7 7 7 7 7 7 ");
    EXPECT_EQ(lines[17], "7 7 7 7 7 7 7 7 7 7 ");
    EXPECT_EQ(lines[18], "7 ");
    EXPECT_EQ(lines[19], "#");
}

TEST(WriteAsciiGolden, WideVal242ReplacesTheShortOne) {
    hand_records r;
    r.params.val_242 = 5;
    r.params.val_242_wide = 70000;
    std::vector<std::string> lines = split_lines(write_and_read("wide", r, &r.intens, nullptr));
    EXPECT_EQ(lines[8], "1 2 3 4 70000 6 " + quoted("2024-05-14", 11));
    r.params.val_242_wide = -70000;
    lines = split_lines(write_and_read("wide_negative", r, &r.intens, nullptr));
    EXPECT_EQ(lines[8], "1 2 3 4 -70000 6 " + quoted("2024-05-14", 11));
    r.params.val_242 = -32768;
    r.params.val_242_wide = 0;
    lines = split_lines(write_and_read("short", r, &r.intens, nullptr));
    EXPECT_EQ(lines[8], "1 2 3 4 -32768 6 " + quoted("2024-05-14", 11));
}

// The C runtimes spell infinities and NaNs differently; the file has one
// spelling on every system.
TEST(WriteAsciiGolden, NonFiniteValuesAreSpelledAlikeEverywhere) {
    hand_records r;
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    r.params.val_164 = inf;
    r.params.val_168 = -inf;
    r.params.val_172 = std::copysign(nan, 1.0f);
    r.params.val_176 = std::copysign(nan, -1.0f);
    const std::vector<std::string> lines =
        split_lines(write_and_read("non_finite", r, &r.intens, nullptr));
    ASSERT_GT(lines.size(), 7u);
    EXPECT_EQ(lines[7], "-7 inf -inf nan -nan 0.0001 3 -2000000000");
}

TEST(WriteAsciiGolden, TextFields) {
    hand_records r;
    set_text(r.params.text_80, "");
    // A text that fills its array has no terminator: it ends with the array
    // (the bytes after it belong to other fields and must not show).
    std::memset(r.ident.ident_text, 'I', sizeof r.ident.ident_text);
    r.ident.ident_b = 0x4141;
    std::memcpy(r.params.text_562, "ABCDEFGH", 8);
    r.params.raw_570[0] = 'Z';
    // N - 1 characters and the terminator fill the quotes exactly.
    set_text(r.params.text_534, "abcdefghijklmnopqrstuvwxyz!");
    // A line feed inside a text goes out as CR LF; it counts as one
    // character of the padding.
    set_text(r.params.text_320, "two\nlines");
    set_text(r.params.text_258, "\r\n");

    const std::string text = write_and_read("texts", r, &r.intens, nullptr);
    EXPECT_NE(text.find("\r\n\"" + std::string(81, ' ') + "\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("1 16705 -3 4 \"" + std::string(30, 'I') + "\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n\"ABCDEFGH\"\r\n#\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n9 \"abcdefghijklmnopqrstuvwxyz!\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n\"two\r\nlines" + std::string(30, ' ') + "\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n\"\r\r\n" + std::string(37, ' ') + "\"\r\n"), std::string::npos);
    EXPECT_EQ(text, reference_ascii(r.ident, r.params, &r.intens, nullptr));
}

// The fast conversion must give printf's digits for every value it can meet.
TEST(WriteAsciiFormatting, DecimalMatchesPrintf) {
    char expected[32];
    char got[32];
    auto check_u = [&](uint32_t v) {
        std::snprintf(expected, sizeof expected, "%u", v);
        *format_decimal_u32(got, v) = '\0';
        ASSERT_STREQ(got, expected);
    };
    auto check_d = [&](int32_t v) {
        std::snprintf(expected, sizeof expected, "%d", v);
        *format_decimal_i32(got, v) = '\0';
        ASSERT_STREQ(got, expected);
    };
    for (uint32_t v = 0; v <= 0xFFFF; ++v) check_u(v);
    for (uint32_t p = 1; p <= 1000000000u; p *= 10) {
        for (const uint32_t v : {p - 1, p, p + 1, 2 * p - 1}) {
            check_u(v);
            check_d(static_cast<int32_t>(v));
            check_d(-static_cast<int32_t>(v));
        }
    }
    for (const int32_t v : {0, 1, -1, INT32_MAX, INT32_MIN, INT32_MIN + 1, PHASE_INVALID,
                            PHASE_INVALID - 1, 0x7FFFFFFF}) {
        check_d(v);
    }
    check_u(UINT32_MAX);
    std::mt19937 random(12345);
    for (int i = 0; i < 1000000; ++i) {
        const auto bits = static_cast<uint32_t>(random());
        check_d(static_cast<int32_t>(bits));
        check_d(static_cast<int32_t>(bits >> (bits % 31)));
    }
}

TEST(WriteAsciiErrors, RefusedBeforeAnythingIsCreated) {
    const hand_records r;
    const std::string path = temp_path("refused");
    std::filesystem::remove(path);
    EXPECT_EQ(df_write_ascii(path.c_str(), &r.ident, &r.params, nullptr, nullptr),
              ERR_INVALID_PARAM);
    EXPECT_EQ(df_write_ascii(path.c_str(), nullptr, &r.params, &r.intens, nullptr),
              ERR_INVALID_PARAM);
    EXPECT_EQ(df_write_ascii(path.c_str(), &r.ident, nullptr, &r.intens, nullptr),
              ERR_INVALID_PARAM);
    // Values claimed without a buffer to take them from.
    const phase_matrix no_buffer{0, {0, 0, 2, 2}, nullptr};
    EXPECT_EQ(df_write_ascii(path.c_str(), &r.ident, &r.params, nullptr, &no_buffer),
              ERR_INVALID_PARAM);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(WriteAsciiErrors, PathsThatCannotBeCreated) {
    const hand_records r;
    EXPECT_EQ(df_write_ascii("", &r.ident, &r.params, &r.intens, nullptr), ERR_CANT_CREATE_FILE);
    EXPECT_EQ(df_write_ascii(nullptr, &r.ident, &r.params, &r.intens, nullptr),
              ERR_CANT_CREATE_FILE);
    const std::string missing_dir = temp_path("no_such_dir") + "/out.txt";
    EXPECT_EQ(df_write_ascii(missing_dir.c_str(), &r.ident, &r.params, &r.intens, nullptr),
              ERR_CANT_CREATE_FILE);
    EXPECT_EQ(df_write_ascii(::testing::TempDir().c_str(), &r.ident, &r.params, &r.intens, nullptr),
              ERR_CANT_CREATE_FILE);
}

TEST(WriteAsciiErrors, WriteFailureIsReported) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const hand_records r;
    // A small file fails only when the last block is flushed or closed.
    EXPECT_EQ(df_write_ascii("/dev/full", &r.ident, &r.params, &r.intens, &r.phase),
              ERR_CANT_WRITE_FILE);
    // A large one fails at its first block.
    std::vector<int32_t> many(400 * 300, -123456789);
    const phase_matrix big{static_cast<uint32_t>(many.size()), {0, 0, 400, 300}, many.data()};
    EXPECT_EQ(df_write_ascii("/dev/full", &r.ident, &r.params, nullptr, &big), ERR_CANT_WRITE_FILE);
}

TEST(WriteAsciiFiles, ExistingFileIsReplaced) {
    const hand_records r;
    const std::string path = temp_path("replaced");
    std::ofstream(path, std::ios::binary) << std::string(100000, 'x');
    EXPECT_EQ(write_and_read("replaced", r, nullptr, &r.phase),
              hand_header("0 0 0 0 0 0", "-5 6 3 2") + "#\r\n" + HAND_PHASE_LINES + "#\r\n");
}

TEST(WriteAsciiFiles, WidePathAfterByteOrderMark) {
    const hand_records r;
    // The name as UTF-16 after the mark; the file system's own form of the
    // same name (UTF-8 on POSIX, UTF-16 on Windows) is how the test finds it.
    const std::string base = temp_path("wide_");
    std::u16string units(base.begin(), base.end());
    units += u"\u00E9.txt";
    const std::filesystem::path on_disk(units);
    std::filesystem::remove(on_disk);
    std::string wide = "\xFF\xFE";
    if (std::endian::native == std::endian::big) wide = "\xFE\xFF";
    wide.append(reinterpret_cast<const char*>(units.c_str()), (units.size() + 1) * 2);
    EXPECT_EQ(df_write_ascii(wide, &r.ident, &r.params, &r.intens, nullptr), NO_ERROR);
    std::ifstream in(on_disk, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()),
              hand_header("1 2 3 2 2 -1", "0 0 0 0") + HAND_INTENS_LINES + "#\r\n#\r\n");
}

// Generated files, read by the binary reader and written, against the
// reference; large enough to span many output blocks.
TEST(WriteAsciiFiles, GeneratedFilesMatchReference) {
    for (const int format : {1, 2, 3}) {
        dfgen::options opt;
        opt.format = format;
        opt.width = static_cast<int16_t>(150 + format);
        opt.height = 97;
        opt.n_buckets = static_cast<int16_t>(format + 1);
        opt.seed = static_cast<uint64_t>(format);
        const std::string input = temp_path("generated.dat");
        ASSERT_EQ(dfgen::write_file(input.c_str(), dfgen::build_datafile(opt)), NO_ERROR);

        data_file_ident ident{};
        data_file_params params{};
        intens_matrix intens{};
        phase_matrix phase{};
        ASSERT_EQ(df_read_binary(input.c_str(), &ident, &params, &intens, &phase), NO_ERROR);
        const std::string output = temp_path("generated.txt");
        EXPECT_EQ(df_write_ascii(output.c_str(), &ident, &params, &intens, &phase), NO_ERROR);
        EXPECT_EQ(read_all(output), reference_ascii(ident, params, &intens, &phase));
        intens_matrix_free(&intens);
        phase_matrix_free(&phase);
    }
}

// Without its output block the writer still writes the same bytes.
void* refuse_allocation(size_t) {
    return nullptr;
}

TEST(WriteAsciiFiles, SameBytesWithoutOutputBlock) {
    dfgen::options opt;
    opt.width = 120;
    opt.height = 80;
    std::vector<uint16_t> frames = dfgen::fringe_frames(opt);
    std::vector<int32_t> surface = dfgen::sphere_phase(opt);
    hand_records r;
    r.intens = {static_cast<uint32_t>(frames.size()), {0, 0, 120, 80}, 2, 4095, frames.data()};
    r.phase = {static_cast<uint32_t>(surface.size()), {0, 0, 120, 80}, surface.data()};

    void* (*const saved)(size_t) = gl_MallocFunc;
    gl_MallocFunc = refuse_allocation;
    const std::string text = write_and_read("no_block", r, &r.intens, &r.phase);
    gl_MallocFunc = saved;
    EXPECT_EQ(text, reference_ascii(r.ident, r.params, &r.intens, &r.phase));
}

}  // namespace
