// The sample-file generator: layout of the files it makes (checked against
// the binary reader, whose layout tables are independent of it), the
// surfaces, determinism and the ways to make odd files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "datafile/datafile.h"
#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"
#include "tools/generator/header_layout.h"

namespace {

struct read_result {
    int32_t err;
    data_file_ident ident{};
    data_file_params params{};
    intens_matrix intens{};
    phase_matrix phase{};
    read_result(const read_result&) = delete;
    explicit read_result(const std::vector<uint8_t>& file) {
        const temp_file path("generated.dat");
        EXPECT_EQ(dfgen::write_file(path.c_str(), file), NO_ERROR);
        err = df_read_binary(path.c_str(), &ident, &params, &intens, &phase);
    }
    ~read_result() {
        intens_matrix_free(&intens);
        phase_matrix_free(&phase);
    }
};

dfgen::options small(int format) {
    dfgen::options opt;
    opt.format = format;
    opt.width = 21;
    opt.height = 13;
    opt.n_buckets = 3;
    opt.seed = 7;
    return opt;
}

TEST(Generator, FileLayoutPerFormat) {
    const uint8_t magic_bytes[3][4] = {
        {0x88, 0x1B, 0x03, 0x6F}, {0x88, 0x1B, 0x03, 0x70}, {0x88, 0x1B, 0x03, 0x71}};
    for (const int format : {1, 2, 3}) {
        const dfgen::options opt = small(format);
        const std::vector<uint8_t> file = dfgen::build_datafile(opt);
        const size_t header = format == 3 ? 4096 : 834;
        EXPECT_EQ(file.size(), header + 21 * 13 * 3 * 2 + 21 * 13 * 4);
        EXPECT_TRUE(std::equal(file.begin(), file.begin() + 4, magic_bytes[format - 1]));
        // intens_bytes at 60 and phase_bytes at 72, big-endian.
        EXPECT_EQ(file[60] * 16777216 + file[61] * 65536 + file[62] * 256 + file[63], 1638);
        EXPECT_EQ(file[72] * 16777216 + file[73] * 65536 + file[74] * 256 + file[75], 1092);
    }
}

// Every header field lands where the reader finds it.
TEST(Generator, ReaderReturnsTheSampleHeaderAndData) {
    for (const int format : {1, 2, 3}) {
        const dfgen::options opt = small(format);
        const dfgen::header_fields h = dfgen::sample_header(opt);
        const read_result r(dfgen::build_datafile(opt));
        ASSERT_EQ(r.err, NO_ERROR);
        EXPECT_EQ(std::memcmp(&r.ident, &h.ident, sizeof h.ident), 0);
        EXPECT_EQ(std::memcmp(&r.params, &h.params, DATA_FILE_PARAMS_IMAGE_SIZE), 0);
        EXPECT_EQ(r.params.format_mark, format == 3 ? 3 : 0);
        EXPECT_EQ(r.intens.window.x, 8);
        EXPECT_EQ(r.intens.window.width, 21);
        EXPECT_EQ(r.intens.n_buckets, 3);
        EXPECT_EQ(r.intens.range, 4095);
        EXPECT_EQ(r.phase.window.height, 13);

        const std::vector<uint16_t> frames = dfgen::fringe_frames(opt);
        const std::vector<int32_t> surface = dfgen::sphere_phase(opt);
        ASSERT_EQ(r.intens.size, frames.size());
        ASSERT_EQ(r.phase.size, surface.size());
        EXPECT_TRUE(std::equal(frames.begin(), frames.end(), r.intens.matrix));
        EXPECT_TRUE(std::equal(surface.begin(), surface.end(), r.phase.matrix));
    }
}

// Random bytes in every parameter field survive packing and reading; only
// val_242_wide is left out, since the reader may keep its file bytes as
// they stand.
TEST(Generator, RandomParameterBytesRoundTrip) {
    std::mt19937 random(99);
    for (const int format : {1, 2, 3}) {
        dfgen::header_fields h = dfgen::sample_header(small(format));
        h.params = data_file_params{};
        // Random bytes in every field byte the format holds; alignment gaps
        // and what formats 1 and 2 cannot hold read back as zero.
        auto* record = reinterpret_cast<uint8_t*>(&h.params);
        for (const dfgen::packed_field& f : dfgen::PARAM_FIELDS) {
            for (size_t i = 0; i < size_t{f.width} * f.count; ++i) {
                if (f.file_offset + i < dfgen::header_size(format)) {
                    record[f.record_offset + i] = static_cast<uint8_t>(random());
                }
            }
        }
        h.params.format_mark = format == 3 ? 3 : 0;
        h.params.val_242_wide = 0;
        const read_result r(dfgen::build_datafile(h, small(format)));
        ASSERT_EQ(r.err, NO_ERROR);
        data_file_params got = r.params;
        got.val_242_wide = 0;
        EXPECT_EQ(std::memcmp(&got, &h.params, DATA_FILE_PARAMS_IMAGE_SIZE), 0) << format;
    }
}

TEST(Generator, SurfacesArePlausible) {
    dfgen::options opt;
    opt.width = 64;
    opt.height = 48;
    opt.n_buckets = 4;
    const std::vector<int32_t> surface = dfgen::sphere_phase(opt);
    ASSERT_EQ(surface.size(), 64u * 48u);
    EXPECT_GE(surface[0], PHASE_INVALID);             // corner: outside the aperture
    EXPECT_LT(surface[24 * 64 + 32], PHASE_INVALID);  // centre: inside
    EXPECT_GT(surface[24 * 64 + 32], 0);              // the sphere's top
    EXPECT_TRUE(std::any_of(surface.begin(), surface.end(), [](int32_t v) { return v < 0; }));
    const std::vector<uint16_t> frames = dfgen::fringe_frames(opt);
    ASSERT_EQ(frames.size(), 64u * 48u * 4u);
    EXPECT_LE(*std::max_element(frames.begin(), frames.end()), 4095);
    // The frames differ by their phase shift.
    EXPECT_FALSE(std::equal(frames.begin(), frames.begin() + 3072, frames.begin() + 3072));
}

TEST(Generator, DeterministicPerSeed) {
    dfgen::options a = small(2);
    dfgen::options b = small(2);
    EXPECT_EQ(dfgen::build_datafile(a), dfgen::build_datafile(b));
    b.seed = 8;
    EXPECT_NE(dfgen::fringe_frames(a), dfgen::fringe_frames(b));
    EXPECT_NE(dfgen::sphere_phase(a), dfgen::sphere_phase(b));
}

TEST(Generator, OddFiles) {
    dfgen::options opt = small(1);
    opt.intensity = false;
    EXPECT_EQ(dfgen::build_datafile(opt).size(), 834u + 21 * 13 * 4);

    opt = small(1);
    opt.patches.push_back(dfgen::patch_be32(0, 0x881B0372));
    EXPECT_EQ(read_result(dfgen::build_datafile(opt)).err, ERR_NOT_A_DATA_FILE);

    // The blocks follow the patched lengths: an odd intensity length adds a byte.
    opt = small(2);
    opt.patches.push_back(dfgen::patch_be32(60, 21 * 13 * 3 * 2 + 1));
    EXPECT_EQ(dfgen::build_datafile(opt).size(), 834u + 1639 + 1092);

    opt = small(2);
    opt.truncate_to = 834 + 1638 + 100;
    EXPECT_EQ(read_result(dfgen::build_datafile(opt)).err, ERR_CORRUPT_DATA_FILE);
    opt.truncate_to = 3;
    EXPECT_EQ(read_result(dfgen::build_datafile(opt)).err, ERR_PREMATURE_EOF);

    opt = small(3);
    opt.trailing_bytes = 17;
    const read_result r(dfgen::build_datafile(opt));
    ASSERT_EQ(r.err, NO_ERROR);
    const std::vector<int32_t> surface = dfgen::sphere_phase(opt);
    EXPECT_TRUE(std::equal(surface.begin(), surface.end(), r.phase.matrix));

    // Patches past the header's end are dropped.
    opt = small(1);
    opt.patches.push_back(dfgen::patch_be16(900, 0xFFFF));
    EXPECT_EQ(dfgen::build_datafile(opt), dfgen::build_datafile(small(1)));
}

TEST(Generator, WriteFileErrors) {
    EXPECT_EQ(dfgen::write_file("", {1, 2, 3}), ERR_CANT_CREATE_FILE);
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_EQ(dfgen::write_file("/dev/full", std::vector<uint8_t>(100000)),
                  ERR_CANT_WRITE_FILE);
    }
}

}  // namespace
