// The binary writer as the reader's inverse: generated files read and written
// again come out byte for byte (the two fields the reader drops aside), what
// it writes reads back as the same records, and what the reader would refuse
// is refused before a file appears.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "support/measurement.h"
#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"

namespace {

std::vector<uint8_t> bytes_of(const temp_file& file) {
    const std::string text = file.read();
    return {text.begin(), text.end()};
}

void expect_same_measurement(const measurement& a, const measurement& b) {
    EXPECT_EQ(std::memcmp(&a.ident, &b.ident, sizeof a.ident), 0);
    EXPECT_EQ(std::memcmp(&a.params, &b.params, DATA_FILE_PARAMS_IMAGE_SIZE), 0);
    EXPECT_EQ(a.intens.size, b.intens.size);
    EXPECT_EQ(std::memcmp(&a.intens.window, &b.intens.window, sizeof a.intens.window), 0);
    EXPECT_EQ(a.intens.n_buckets, b.intens.n_buckets);
    EXPECT_EQ(a.intens.range, b.intens.range);
    if (a.intens.size == b.intens.size && a.intens.size > 0) {
        EXPECT_EQ(std::memcmp(a.intens.matrix, b.intens.matrix, a.intens.size * 2), 0);
    }
    EXPECT_EQ(a.phase.size, b.phase.size);
    EXPECT_EQ(std::memcmp(&a.phase.window, &b.phase.window, sizeof a.phase.window), 0);
    if (a.phase.size == b.phase.size && a.phase.size > 0) {
        EXPECT_EQ(std::memcmp(a.phase.matrix, b.phase.matrix, a.phase.size * 4), 0);
    }
}

int32_t read(const temp_file& file, measurement& m) {
    return df_read_binary(file.c_str(), &m.ident, &m.params, &m.intens, &m.phase);
}

int32_t write(const temp_file& file, int32_t format, const measurement& m) {
    return df_write_binary(file.c_str(), format, &m.ident, &m.params, &m.intens, &m.phase);
}

// The generated file as the writer must reproduce it: val_4 (offset 4) and
// val_6 (offset 6) are read and dropped, so they come back as zeros.
std::vector<uint8_t> without_dropped_fields(std::vector<uint8_t> file) {
    std::fill(file.begin() + 4, file.begin() + 10, uint8_t{0});
    return file;
}

struct GeneratedFile : ::testing::TestWithParam<int> {};

TEST_P(GeneratedFile, ReadAndWrittenAgainGivesTheSameBytesAndRecords) {
    const int format = GetParam();
    struct variant {
        bool intensity;
        bool phase;
    };
    for (const variant v :
         {variant{true, true}, variant{false, true}, variant{true, false}, variant{false, false}}) {
        SCOPED_TRACE(testing::Message() << "intensity " << v.intensity << " phase " << v.phase);
        dfgen::options opt;
        opt.format = format;
        opt.width = 23;
        opt.height = 11;
        opt.n_buckets = 5;
        opt.intensity = v.intensity;
        opt.phase = v.phase;
        const std::vector<uint8_t> original = dfgen::build_datafile(opt);
        const temp_file source("original.dat");
        source.write(original);

        measurement first;
        ASSERT_EQ(read(source, first), NO_ERROR);
        const temp_file copy("copy.dat");
        ASSERT_EQ(write(copy, format, first), NO_ERROR);
        EXPECT_EQ(bytes_of(copy), without_dropped_fields(original));

        measurement second;
        ASSERT_EQ(read(copy, second), NO_ERROR);
        expect_same_measurement(first, second);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, GeneratedFile, ::testing::Values(1, 2, 3));

// Fields the generator leaves plain: a val_242_wide the reader keeps in the
// file's byte order, raw bytes of every value, a text without terminator.
TEST(WriteBinary, UnconvertedFieldsTravelByteForByte) {
    measurement m;
    m.ident.ident_a = -7;
    std::memset(m.ident.ident_text, 'T', sizeof m.ident.ident_text);  // no terminator
    m.params.val_242_wide = 0x01020304;
    for (size_t i = 0; i < sizeof m.params.raw_1454; ++i) {
        m.params.raw_1454[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    m.params.raw_208[0] = 0xFF;
    m.params.raw_818[19] = 0xEE;  // beyond offset 834 in a format 3 header only
    m.params.format_mark = 3;
    m.params.val_164 = -0.0f;
    m.phase.window = {-3, 4, 2, 1};
    ASSERT_EQ(phase_matrix_alloc(&m.phase), NO_ERROR);
    m.phase.matrix[0] = INT32_MIN;
    m.phase.matrix[1] = PHASE_INVALID;

    const temp_file file("fields.dat");
    ASSERT_EQ(write(file, 3, m), NO_ERROR);
    const std::vector<uint8_t> bytes = bytes_of(file);
    ASSERT_EQ(bytes.size(), 4096u + 8u);
    EXPECT_EQ(bytes[898], 0);  // format_mark, big-endian
    EXPECT_EQ(bytes[899], 3);
    measurement back;
    ASSERT_EQ(read(file, back), NO_ERROR);
    expect_same_measurement(m, back);
}

// Formats 1 and 2 stop at offset 834, and the reader sets format_mark from
// the magic: a format 3 record written short loses exactly those fields.
TEST(WriteBinary, ShortFormatsEndAtTheirHeader) {
    measurement m;
    m.params.val_76 = 42;
    m.params.raw_818[0] = 0xAB;   // file offset 818: inside both headers
    m.params.raw_818[16] = 0xCD;  // file offset 834: format 3 only
    m.params.val_1450 = 99;
    m.params.format_mark = 3;
    for (const int format : {1, 2}) {
        const temp_file file("short.dat");
        ASSERT_EQ(write(file, format, m), NO_ERROR);
        EXPECT_EQ(bytes_of(file).size(), 834u);
        EXPECT_EQ(bytes_of(file)[3], format == 1 ? 0x6F : 0x70);
        measurement back;
        ASSERT_EQ(read(file, back), NO_ERROR);
        EXPECT_EQ(back.params.val_76, 42);
        EXPECT_EQ(back.params.raw_818[0], 0xAB);
        EXPECT_EQ(back.params.raw_818[16], 0);
        EXPECT_EQ(back.params.val_1450, 0u);
        EXPECT_EQ(back.params.format_mark, 0);
    }
}

// An empty matrix record (no buffer, a side 0) is an absent block: the file
// keeps none of its fields, and the reader hands back an all-zero record.
TEST(WriteBinary, EmptyMatricesAreAbsentBlocks) {
    measurement m;
    m.intens.window = {5, 6, 0, 4};
    m.intens.n_buckets = 3;
    m.intens.range = 4095;
    m.phase.window = {1, 2, 7, 0};
    const temp_file file("empty.dat");
    ASSERT_EQ(write(file, 2, m), NO_ERROR);
    EXPECT_EQ(bytes_of(file).size(), 834u);
    measurement back;
    back.intens.window.x = 9;
    ASSERT_EQ(read(file, back), NO_ERROR);
    const intens_matrix zero_intens{};
    const phase_matrix zero_phase{};
    EXPECT_EQ(std::memcmp(&back.intens, &zero_intens, sizeof zero_intens), 0);
    EXPECT_EQ(std::memcmp(&back.phase, &zero_phase, sizeof zero_phase), 0);

    // Null matrices are the same absent blocks.
    const temp_file nulls("nulls.dat");
    ASSERT_EQ(df_write_binary(nulls.c_str(), 2, &m.ident, &m.params, nullptr, nullptr), NO_ERROR);
    EXPECT_EQ(nulls.read(), file.read());
}

// What the reader refuses, or what cannot be described by the header, is
// refused before the output is touched.
TEST(WriteBinary, RefusesWhatTheReaderCannotRead) {
    const temp_file file("refused.dat");
    file.write_text("kept");
    std::vector<uint16_t> intensity(64);
    std::vector<int32_t> phase(64);
    auto intens_of = [&](matrix_window window, int16_t buckets) {
        intens_matrix m{};
        m.window = window;
        m.n_buckets = buckets;
        m.matrix = intensity.data();
        m.size = static_cast<uint32_t>(intensity.size());
        return m;
    };
    auto phase_of = [&](matrix_window window) {
        phase_matrix m{};
        m.window = window;
        m.matrix = phase.data();
        m.size = static_cast<uint32_t>(phase.size());
        return m;
    };
    struct refused {
        const char* what;
        intens_matrix intens;
        phase_matrix phase;
        int32_t err;
    };
    const refused cases[] = {
        {"negative intensity width", intens_of({0, 0, -2, -2}, 1), {}, ERR_DATASET_DIM_TOO_LARGE},
        {"negative phase height", {}, phase_of({0, 0, -4, -4}), ERR_DATASET_DIM_TOO_LARGE},
        {"phase block beyond 2^31 bytes",
         {},
         phase_of({0, 0, 32767, 16385}),
         ERR_DATASET_DIM_TOO_LARGE},
        {"intensity block beyond 2^31 bytes",
         intens_of({0, 0, 32767, 32767}, 2),
         {},
         ERR_DATASET_DIM_TOO_LARGE},
        {"negative bucket count", intens_of({0, 0, 2, 2}, -1), {}, ERR_PARAM_OUT_OF_RANGE},
        {"intensity without buffer",
         intens_matrix{0, {0, 0, 2, 2}, 1, 0, nullptr},
         {},
         ERR_INVALID_PARAM},
        {"phase buffer shorter than its window",
         {},
         phase_matrix{63, {0, 0, 8, 8}, phase.data()},
         ERR_INVALID_PARAM},
    };
    const data_file_ident ident{};
    const data_file_params params{};
    for (const refused& c : cases) {
        EXPECT_EQ(df_write_binary(file.c_str(), 2, &ident, &params, &c.intens, &c.phase), c.err)
            << c.what;
        EXPECT_EQ(file.read(), "kept") << c.what;
    }
    for (const int32_t format : {0, 4, -1}) {
        EXPECT_EQ(df_write_binary(file.c_str(), format, &ident, &params, nullptr, nullptr),
                  ERR_INVALID_PARAM);
    }
    EXPECT_EQ(df_write_binary(file.c_str(), 1, nullptr, &params, nullptr, nullptr),
              ERR_INVALID_PARAM);
    EXPECT_EQ(df_write_binary(file.c_str(), 1, &ident, nullptr, nullptr, nullptr),
              ERR_INVALID_PARAM);
    EXPECT_EQ(file.read(), "kept");

    // The largest blocks that fit are accepted by the checks (here the
    // buffer is what is missing, so nothing is written either).
    const phase_matrix largest{0, {0, 0, 32767, 16384}, nullptr};
    EXPECT_EQ(df_write_binary(file.c_str(), 2, &ident, &params, nullptr, &largest),
              ERR_INVALID_PARAM);
}

TEST(WriteBinary, UnwritablePathIsReported) {
    const temp_file folder("no-such-folder");
    const std::string path = folder.str() + "/out.dat";
    const measurement m;
    EXPECT_EQ(df_write_binary(path.c_str(), 1, &m.ident, &m.params, nullptr, nullptr),
              ERR_CANT_CREATE_FILE);
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
