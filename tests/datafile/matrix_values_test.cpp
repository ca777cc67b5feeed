// What analysis tools take from the matrices: the phase map as doubles with
// NaN for invalid points, one intensity frame at a time, and a file read by
// whichever reader its first bytes call for.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "datafile/datafile.h"
#include "support/measurement.h"
#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"

namespace {

TEST(PhaseValues, ValidValuesExactInvalidOnesNaN) {
    int32_t values[] = {-5, PHASE_INVALID, 2147483647, INT32_MIN, PHASE_INVALID - 1, 0};
    const phase_matrix phase{6, {1, 2, 3, 2}, values};
    std::vector<double> out(6, 1.0);
    ASSERT_EQ(phase_matrix_values(&phase, out.data(), out.size()), NO_ERROR);
    EXPECT_EQ(out[0], -5.0);
    EXPECT_TRUE(std::isnan(out[1]));
    EXPECT_TRUE(std::isnan(out[2]));  // every value from the marker up is invalid
    EXPECT_EQ(out[3], static_cast<double>(INT32_MIN));
    EXPECT_EQ(out[4], static_cast<double>(PHASE_INVALID - 1));
    EXPECT_EQ(out[5], 0.0);
}

TEST(PhaseValues, RefusesShortOutputsAndWindowsBeyondTheBuffer) {
    int32_t values[4] = {};
    std::vector<double> out(8);
    const phase_matrix phase{4, {0, 0, 2, 2}, values};
    EXPECT_EQ(phase_matrix_values(&phase, out.data(), 3), ERR_BAD_PARAM);
    EXPECT_EQ(phase_matrix_values(&phase, nullptr, 8), ERR_BAD_PARAM);
    const phase_matrix too_wide{4, {0, 0, 3, 2}, values};
    EXPECT_EQ(phase_matrix_values(&too_wide, out.data(), out.size()), ERR_BAD_PARAM);
    const phase_matrix no_buffer{0, {0, 0, 2, 2}, nullptr};
    EXPECT_EQ(phase_matrix_values(&no_buffer, out.data(), out.size()), ERR_BAD_PARAM);
}

TEST(IntensityFrames, EachFrameFollowsThePreviousOne) {
    uint16_t values[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const intens_matrix intens{12, {0, 0, 2, 2}, 3, 4095, values};
    const uint16_t* frame = nullptr;
    ASSERT_EQ(intens_matrix_frame(&intens, 2, &frame), NO_ERROR);
    EXPECT_EQ(frame, values + 8);
    EXPECT_EQ(intens_matrix_frame(&intens, 3, &frame), ERR_BAD_PARAM);
    EXPECT_EQ(intens_matrix_frame(&intens, -1, &frame), ERR_BAD_PARAM);
    const intens_matrix short_buffer{11, {0, 0, 2, 2}, 3, 4095, values};
    EXPECT_EQ(intens_matrix_frame(&short_buffer, 0, &frame), ERR_BAD_PARAM);
}

TEST(ReadAny, TellsTheKindsApartAndReadsBothAlike) {
    const temp_file binary("any.dat");
    const temp_file ascii("any.txt");
    for (const int format : {1, 2, 3}) {
        dfgen::options opt;
        opt.format = format;
        opt.width = 9;
        opt.height = 7;
        ASSERT_EQ(dfgen::write_file(binary.c_str(), dfgen::build_datafile(opt)), NO_ERROR);
        measurement from_binary;
        df_file_kind kind{};
        ASSERT_EQ(df_read_any(binary.c_str(), &kind, &from_binary.ident, &from_binary.params,
                              &from_binary.intens, &from_binary.phase),
                  NO_ERROR);
        EXPECT_EQ(kind, static_cast<df_file_kind>(format));
        ASSERT_EQ(df_write_ascii(ascii.c_str(), &from_binary.ident, &from_binary.params,
                                 &from_binary.intens, &from_binary.phase),
                  NO_ERROR);
        measurement from_ascii;
        ASSERT_EQ(df_read_any(ascii.c_str(), &kind, nullptr, nullptr, &from_ascii.intens,
                              &from_ascii.phase),
                  NO_ERROR);
        EXPECT_EQ(kind, DF_KIND_ASCII);
        ASSERT_EQ(from_ascii.phase.size, from_binary.phase.size);
        EXPECT_TRUE(std::equal(from_ascii.phase.matrix,
                               from_ascii.phase.matrix + from_ascii.phase.size,
                               from_binary.phase.matrix));
    }
}

TEST(ReadAny, OtherFilesFailAsTheBinaryReaderFailsThem) {
    const temp_file other("other.dat");
    other.write_text("neither kind of data file\n");
    measurement m;
    EXPECT_EQ(df_read_any(other.c_str(), nullptr, &m.ident, &m.params, &m.intens, &m.phase),
              ERR_NOT_A_DATA_FILE);
    EXPECT_EQ(df_read_any("/nonexistent/x.dat", nullptr, &m.ident, &m.params, &m.intens,
                          &m.phase),
              ERR_CANT_OPEN_FILE);
    other.write_text("");
    EXPECT_EQ(df_read_any(other.c_str(), nullptr, &m.ident, &m.params, &m.intens, &m.phase),
              ERR_PREMATURE_EOF);
}

// Bytes that never were a file read as the same file from disk does, in
// both kinds.
TEST(ReadAnyMemory, ReadsBothKindsAsFromDisk) {
    dfgen::options opt;
    opt.format = 3;
    opt.width = 5;
    opt.height = 4;
    const std::vector<uint8_t> binary = dfgen::build_datafile(opt);
    const temp_file disk("memory.dat");
    const temp_file ascii("memory.txt");
    ASSERT_EQ(dfgen::write_file(disk.c_str(), binary), NO_ERROR);
    measurement from_disk;
    ASSERT_EQ(df_read_any(disk.c_str(), nullptr, &from_disk.ident, &from_disk.params,
                          &from_disk.intens, &from_disk.phase),
              NO_ERROR);

    measurement from_memory;
    df_file_kind kind{};
    ASSERT_EQ(df_read_any_memory(binary.data(), binary.size(), &kind, &from_memory.ident,
                                 &from_memory.params, &from_memory.intens, &from_memory.phase),
              NO_ERROR);
    EXPECT_EQ(kind, DF_KIND_BINARY_FORMAT3);
    EXPECT_EQ(std::memcmp(&from_memory.params, &from_disk.params, sizeof from_disk.params), 0);
    ASSERT_EQ(from_memory.phase.size, from_disk.phase.size);
    EXPECT_TRUE(std::equal(from_disk.phase.matrix, from_disk.phase.matrix + from_disk.phase.size,
                           from_memory.phase.matrix));

    ASSERT_EQ(df_write_ascii(ascii.c_str(), &from_disk.ident, &from_disk.params, &from_disk.intens,
                             &from_disk.phase),
              NO_ERROR);
    const std::string text = ascii.read();
    measurement from_text;
    ASSERT_EQ(df_read_any_memory(text.data(), text.size(), &kind, nullptr, nullptr,
                                 &from_text.intens, &from_text.phase),
              NO_ERROR);
    EXPECT_EQ(kind, DF_KIND_ASCII);
    ASSERT_EQ(from_text.intens.size, from_disk.intens.size);
    EXPECT_TRUE(std::equal(from_disk.intens.matrix,
                           from_disk.intens.matrix + from_disk.intens.size,
                           from_text.intens.matrix));

    EXPECT_EQ(df_read_any_memory("", 0, &kind, nullptr, nullptr, nullptr, nullptr),
              ERR_PREMATURE_EOF);
    EXPECT_EQ(df_read_any_memory(nullptr, 4, &kind, nullptr, nullptr, nullptr, nullptr),
              ERR_INVALID_PARAM);
}

}  // namespace
