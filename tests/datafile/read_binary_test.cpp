// The binary data file reader against hand-built files.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <random>

#include "datafile/datafile.h"
#include "platform/platform.h"
#include "support/header_bytes.h"
#include "support/measurement.h"
#include "support/temp_file.h"
#include "tools/generator/datafile_generator.h"
#include "tools/generator/header_layout.h"

namespace {

// A measurement read from a path.
struct records : measurement {
    int32_t read(const std::string& path) {
        return df_read_binary(path, &ident, &params, &intens, &phase);
    }
};

int32_t read_bytes(const std::vector<uint8_t>& bytes, records& r) {
    const temp_file file("input.dat");
    file.write(bytes);
    return r.read(file.str());
}

void expect_freed(const records& r) {
    EXPECT_EQ(r.intens.matrix, nullptr);
    EXPECT_EQ(r.intens.size, 0u);
    EXPECT_EQ(r.intens.n_buckets, 0);
    EXPECT_EQ(r.intens.window.width, 0);
    EXPECT_EQ(r.phase.matrix, nullptr);
    EXPECT_EQ(r.phase.size, 0u);
    EXPECT_EQ(r.phase.window.height, 0);
}

// A small valid file: 2 x 2 x 1 intensity and 3 x 2 phase.
header_bytes small_file(uint32_t magic = DF_MAGIC_FORMAT1) {
    header_bytes h(magic);
    h.intensity(2, 2, 1, 8).phase(3, 2, 24);
    h.put16(48, 5).put16(50, 6).put16(58, 4095).put16(64, 10).put16(66, 20);
    h.append16({1, 2, 0xFFFF, 0x8000});
    h.append32({-1, 0, 1, INT32_MIN, PHASE_INVALID, INT32_MAX});
    return h;
}

TEST(ReadBinary, ShortFilesAndForeignMagic) {
    records r;
    EXPECT_EQ(read_bytes({0x88, 0x1B, 0x03}, r), ERR_PREMATURE_EOF);
    std::vector<uint8_t> hundred = header_bytes().bytes;
    hundred.resize(100);
    EXPECT_EQ(read_bytes(hundred, r), ERR_PREMATURE_EOF);
    EXPECT_EQ(read_bytes({0x6F, 0x03, 0x1B, 0x88, 0, 0, 0, 0}, r), ERR_NOT_A_DATA_FILE);
    EXPECT_EQ(read_bytes({0x88, 0x1B, 0x03, 0x72, 0, 0, 0, 0}, r), ERR_NOT_A_DATA_FILE);
    EXPECT_EQ(read_bytes({}, r), ERR_PREMATURE_EOF);
    expect_freed(r);
}

TEST(ReadBinary, MissingFileLeavesOutputsUntouched) {
    records r;
    r.ident.ident_a = 77;
    EXPECT_EQ(r.read("/nonexistent/input.dat"), ERR_CANT_OPEN_FILE);
    EXPECT_EQ(r.ident.ident_a, 77);
}

TEST(ReadBinary, HeaderOnlyFile) {
    header_bytes h;
    h.put16(10, 1).put_text(12, "probe").put16(46, 0xFFFE);
    records r;
    r.params.val_838 = 99;  // overwritten: format 1 has no fields beyond offset 834
    ASSERT_EQ(read_bytes(h.bytes, r), NO_ERROR);
    EXPECT_EQ(r.ident.ident_a, 1);
    EXPECT_STREQ(r.ident.ident_text, "probe");
    EXPECT_EQ(r.ident.ident_d, -2);
    expect_freed(r);
    EXPECT_EQ(r.params.format_mark, 0);
    EXPECT_EQ(r.params.val_838, 0);
    const auto* tail =
        reinterpret_cast<const uint8_t*>(&r.params) + offsetof(data_file_params, val_838);
    const size_t tail_size = DATA_FILE_PARAMS_IMAGE_SIZE - offsetof(data_file_params, val_838);
    EXPECT_EQ(std::count(tail, tail + tail_size, 0), static_cast<long>(tail_size));
}

TEST(ReadBinary, FormatThreeSetsMarkAndCarriesLongHeader) {
    header_bytes h(DF_MAGIC_FORMAT3);
    h.put16(838, 0x1234).put32(998 + 36, 0xA1B2C3D4).put16(898, 0x0707);
    h.bytes[4095] = 0x5A;
    records r;
    ASSERT_EQ(read_bytes(h.bytes, r), NO_ERROR);
    EXPECT_EQ(r.params.format_mark, 3);  // never taken from the file
    EXPECT_EQ(r.params.val_838, 0x1234);
    EXPECT_EQ(r.params.arr_998[9], 0xA1B2C3D4u);
    EXPECT_EQ(r.params.raw_1454[2641], 0x5A);
}

TEST(ReadBinary, EveryKindOfFieldIsConverted) {
    header_bytes h(DF_MAGIC_FORMAT2);
    h.put32(76, 0xFFFFFFFF).put_text(80, "eighty").put16(162, 1);
    h.put32(164, 0x3F800000);                         // 1.0f
    h.put32(198, 0x40490FDB).put32(204, 0xC0000000);  // after the first two gaps
    h.put32(210, 123456).put32(220, 0x80000000).put32(226, 0x3F000000);
    h.put16(242, 0x0102).put32(798, 0x00011170);  // the wide form is not converted
    h.put_text(562, "ABCDEFGH");                  // fills its array: no terminator
    h.put32(360, 0x42C80000).put32(386, 0x01020304);
    h.put32(430, 1).put32(430 + 52, 14);  // first and last of a run
    h.bytes[208] = 0xAB;
    h.bytes[209] = 0xCD;  // raw bytes stay as they are
    h.put16(734, 0xBEEF).put16(816, 0x0102);
    records r;
    ASSERT_EQ(read_bytes(h.bytes, r), NO_ERROR);
    const data_file_params& p = r.params;
    EXPECT_EQ(p.val_76, -1);
    EXPECT_STREQ(p.text_80, "eighty");
    EXPECT_EQ(p.val_162, 1);
    EXPECT_EQ(p.val_164, 1.0f);
    EXPECT_FLOAT_EQ(p.val_198, 3.14159265f);
    EXPECT_EQ(p.val_204, -2.0f);
    EXPECT_EQ(p.val_210, 123456);
    EXPECT_EQ(p.val_220, INT32_MIN);
    EXPECT_EQ(p.val_226, 0.5f);
    EXPECT_EQ(p.val_242, 0x0102);
    const uint8_t wide[4] = {0x00, 0x01, 0x11, 0x70};
    EXPECT_EQ(std::memcmp(&p.val_242_wide, wide, 4), 0);
    EXPECT_EQ(std::memcmp(p.text_562, "ABCDEFGH", 8), 0);
    EXPECT_EQ(p.val_360, 100.0f);
    EXPECT_EQ(p.val_386, 0x01020304u);
    EXPECT_EQ(p.arr_430[0], 1u);
    EXPECT_EQ(p.arr_430[13], 14u);
    EXPECT_EQ(p.raw_208[0], 0xAB);
    EXPECT_EQ(p.raw_208[1], 0xCD);
    EXPECT_EQ(p.val_734, 0xBEEF);
    EXPECT_EQ(p.val_816, 0x0102);
}

TEST(ReadBinary, BlocksAreReadInFileOrder) {
    const header_bytes h = small_file();
    records r;
    ASSERT_EQ(read_bytes(h.bytes, r), NO_ERROR);
    EXPECT_EQ(r.intens.size, 4u);
    EXPECT_EQ(r.intens.window.x, 5);
    EXPECT_EQ(r.intens.window.y, 6);
    EXPECT_EQ(r.intens.n_buckets, 1);
    EXPECT_EQ(r.intens.range, 4095);
    EXPECT_EQ(r.intens.matrix[2], 0xFFFF);
    EXPECT_EQ(r.intens.matrix[3], 0x8000);
    EXPECT_EQ(r.phase.size, 6u);
    EXPECT_EQ(r.phase.window.x, 10);
    EXPECT_EQ(r.phase.window.y, 20);
    const int32_t expected[] = {-1, 0, 1, INT32_MIN, PHASE_INVALID, INT32_MAX};
    EXPECT_TRUE(std::equal(expected, expected + 6, r.phase.matrix));
}

TEST(ReadBinary, TrailingBytesAreIgnored) {
    header_bytes h = small_file(DF_MAGIC_FORMAT3);
    h.append32({42, 43});
    records r;
    ASSERT_EQ(read_bytes(h.bytes, r), NO_ERROR);
    EXPECT_EQ(r.phase.matrix[5], INT32_MAX);
}

TEST(ReadBinary, SkippedIntensityLeavesPhaseIntact) {
    const header_bytes h = small_file();
    const temp_file file("skip.dat");
    file.write(h.bytes);
    phase_matrix phase{};
    ASSERT_EQ(df_read_binary(file.str().c_str(), nullptr, nullptr, nullptr, &phase), NO_ERROR);
    EXPECT_EQ(phase.matrix[0], -1);
    EXPECT_EQ(phase.matrix[5], INT32_MAX);
    phase_matrix_free(&phase);
}

TEST(ReadBinary, OddIntensityLengthPlacesPhaseAfterTheWholeBlock) {
    header_bytes h;
    h.intensity(1, 1, 3, 5).phase(1, 1, 4);
    h.append16({10, 20});
    h.bytes.push_back(0xEE);  // the odd byte
    h.append32({-7});
    for (const bool with_intensity : {true, false}) {
        records r;
        const temp_file file("odd.dat");
        file.write(h.bytes);
        ASSERT_EQ(df_read_binary(file.str().c_str(), &r.ident, &r.params,
                                 with_intensity ? &r.intens : nullptr, &r.phase),
                  NO_ERROR);
        EXPECT_EQ(r.phase.matrix[0], -7) << with_intensity;
        if (with_intensity) {
            EXPECT_EQ(r.intens.matrix[1], 20);
            EXPECT_EQ(r.intens.matrix[2], 0);  // shorter block: the rest is zero
        }
    }
}

TEST(ReadBinary, IntensityBlockLargerThanMatrixIsCorrupt) {
    header_bytes h;
    h.intensity(1, 1, 1, 4);
    h.append16({1, 2});
    records r;
    EXPECT_EQ(read_bytes(h.bytes, r), ERR_CORRUPT_DATA_FILE);
    expect_freed(r);
}

TEST(ReadBinary, ShortPhaseBlockIsCorruptAndFreesBoth) {
    header_bytes h = small_file();
    h.bytes.resize(h.bytes.size() - 1);
    records r;
    EXPECT_EQ(read_bytes(h.bytes, r), ERR_CORRUPT_DATA_FILE);
    EXPECT_EQ(r.ident.ident_a, 0);
    expect_freed(r);
}

TEST(ReadBinary, OversizedDimensions) {
    header_bytes h;
    h.phase(static_cast<int16_t>(40000), 10, 4);
    records r;
    EXPECT_EQ(read_bytes(h.bytes, r), ERR_DATASET_DIM_TOO_LARGE);
    h.phase(static_cast<int16_t>(40000), 10, 0);
    EXPECT_EQ(read_bytes(h.bytes, r), NO_ERROR);
    expect_freed(r);

    header_bytes cube;
    cube.intensity(32767, 32767, 32767, 2);  // the count would wrap in 32 bits
    EXPECT_EQ(read_bytes(cube.bytes, r), ERR_DATASET_DIM_TOO_LARGE);
    cube.intensity(5, 5, -1, 2);
    EXPECT_EQ(read_bytes(cube.bytes, r), ERR_PARAM_OUT_OF_RANGE);
    cube.intensity(0, 5, 1, 2);
    EXPECT_EQ(read_bytes(cube.bytes, r), ERR_PARAM_OUT_OF_RANGE);
    expect_freed(r);
}

size_t largest_request = 0;
void* recording_malloc(size_t size) {
    largest_request = std::max(largest_request, size);
    return std::malloc(size);
}
void* failing_malloc(size_t) {
    return nullptr;
}

TEST(ReadBinary, SmallFileNeverCausesLargeAllocation) {
    header_bytes h;
    h.intensity(32767, 32767, 2, 0x7FFFFFFE).phase(32767, 32767, 0x7FFFFFFC);
    h.append16({1, 2, 3});
    largest_request = 0;
    gl_MallocFunc = recording_malloc;
    records r;
    EXPECT_EQ(read_bytes(h.bytes, r), ERR_CORRUPT_DATA_FILE);
    header_bytes phase_only;
    phase_only.phase(32767, 32767, 0x7FFFFFFC);
    EXPECT_EQ(read_bytes(phase_only.bytes, r), ERR_CORRUPT_DATA_FILE);
    gl_MallocFunc = std::malloc;
    EXPECT_EQ(largest_request, 0u);
}

TEST(ReadBinary, ShortIntensityBlockCannotClaimAHugeMatrix) {
    header_bytes h;
    h.intensity(32767, 32767, 1, 2);  // one value for a 2 GiB matrix
    h.append16({7});
    largest_request = 0;
    gl_MallocFunc = recording_malloc;
    records r;
    EXPECT_EQ(read_bytes(h.bytes, r), ERR_CORRUPT_DATA_FILE);
    gl_MallocFunc = std::malloc;
    EXPECT_EQ(largest_request, 0u);
    expect_freed(r);
}

// A stream whose length cannot be known, such as a pipe: the reader sees it
// as it sees a memory stream.
int32_t read_stream_bytes(const std::vector<uint8_t>& bytes, records& r) {
    FILE* const stream = plat::open_memory_stream(bytes.data(), bytes.size());
    if (stream == nullptr) return ERR_CANT_OPEN_FILE;
    const int32_t err = df_read_binary_stream(stream, &r.ident, &r.params, &r.intens, &r.phase);
    std::fclose(stream);
    return err;
}

// Found by fuzzing: from a stream of unknown length the reader allocated the
// whole matrix a header claimed (4 GiB for 32767 x 32767 phase values)
// before it learnt that a few bytes followed. It now collects a block as it
// arrives and allocates the matrix only once the block is complete.
TEST(ReadBinary, StreamOfUnknownLengthNeverCausesLargeAllocation) {
    header_bytes phase_only;
    phase_only.phase(32767, 32767, 0x7FFFFFFC);
    phase_only.append32({1});
    header_bytes intensity;
    intensity.intensity(32767, 32767, 2, 0x7FFFFFFE);
    intensity.append16({1, 2, 3});
    header_bytes cut_short = small_file();  // a sound file without its last byte
    cut_short.bytes.pop_back();

    largest_request = 0;
    gl_MallocFunc = recording_malloc;
    for (const header_bytes* h : {&phase_only, &intensity, &cut_short}) {
        records r;
        EXPECT_EQ(read_stream_bytes(h->bytes, r), ERR_CORRUPT_DATA_FILE);
        expect_freed(r);
    }
    gl_MallocFunc = std::malloc;
    // Only the 8-byte intensity matrix of the sound file was allocated.
    EXPECT_EQ(largest_request, 8u);
}

TEST(ReadBinary, StreamOfUnknownLengthReadsLikeAFile) {
    // 120 000 intensity bytes and 240 000 phase bytes: several pieces each.
    dfgen::options opt;
    opt.width = 300;
    opt.height = 200;
    opt.n_buckets = 1;
    const std::vector<uint8_t> bytes = dfgen::build_datafile(opt);
    records from_file;
    records from_stream;
    ASSERT_EQ(read_bytes(bytes, from_file), NO_ERROR);
    ASSERT_EQ(read_stream_bytes(bytes, from_stream), NO_ERROR);
    EXPECT_EQ(std::memcmp(&from_file.params, &from_stream.params, DATA_FILE_PARAMS_IMAGE_SIZE), 0);
    ASSERT_EQ(from_stream.intens.size, 60000u);
    ASSERT_EQ(from_stream.phase.size, 60000u);
    EXPECT_TRUE(std::equal(from_file.intens.matrix, from_file.intens.matrix + 60000,
                           from_stream.intens.matrix));
    EXPECT_TRUE(std::equal(from_file.phase.matrix, from_file.phase.matrix + 60000,
                           from_stream.phase.matrix));
}

// Large blocks are read and converted piece by piece: every value of blocks
// that span several pieces, with ends that fall inside one, is the
// generator's.
TEST(ReadBinary, BlocksLargerThanOnePieceReadWhole) {
    dfgen::options opt;
    opt.width = 401;
    opt.height = 399;
    opt.n_buckets = 1;
    records r;
    ASSERT_EQ(read_bytes(dfgen::build_datafile(opt), r), NO_ERROR);
    const std::vector<uint16_t> frames = dfgen::fringe_frames(opt);
    const std::vector<int32_t> phase = dfgen::sphere_phase(opt);
    ASSERT_EQ(r.intens.size, frames.size());
    ASSERT_EQ(r.phase.size, phase.size());
    EXPECT_TRUE(std::equal(frames.begin(), frames.end(), r.intens.matrix));
    EXPECT_TRUE(std::equal(phase.begin(), phase.end(), r.phase.matrix));
}

TEST(ReadBinary, AllocationFailureGivesNoMem) {
    gl_MallocFunc = failing_malloc;
    records r;
    EXPECT_EQ(read_bytes(small_file().bytes, r), ERR_NO_MEM);
    gl_MallocFunc = std::malloc;
    expect_freed(r);
}

TEST(ReadBinary, WidePathAfterByteOrderMark) {
    const temp_file file("wide-\xC3\xA9.dat");  // a non-ASCII name
    file.write(small_file().bytes);
    std::u16string wide(1, u'\xFEFF');
    wide += file.path.u16string();
    wide.push_back(0);
    records r;
    ASSERT_EQ(r.read(std::string(reinterpret_cast<const char*>(wide.data()), wide.size() * 2)),
              NO_ERROR);
    EXPECT_EQ(r.phase.matrix[0], -1);
}

TEST(ReadBinary, EveryTruncationEndsInAnError) {
    const std::vector<uint8_t> full = small_file(DF_MAGIC_FORMAT3).bytes;
    for (size_t length = 0; length < full.size(); ++length) {
        records r;
        const int32_t err = read_bytes(
            std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(length)), r);
        const int32_t expected =
            length < DF_HEADER_SIZE_LONG ? ERR_PREMATURE_EOF : ERR_CORRUPT_DATA_FILE;
        ASSERT_EQ(err, expected) << "length " << length;
        expect_freed(r);
    }
}

// The big-endian number of width bytes at offset.
uint64_t big_endian_at(const std::vector<uint8_t>& bytes, size_t offset, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value = value << 8 | bytes.at(offset + i);
    return value;
}

// What an accepted file's records must hold, decoded here from the file's
// bytes: the identification block and the matrix headers at their file
// offsets, every parameter field through the generator's layout table (not
// the reader's widening), and the blocks that follow the header.
void expect_records_hold(const std::vector<uint8_t>& file, const records& r) {
    const bool long_header = big_endian_at(file, 0, 4) == DF_MAGIC_FORMAT3;
    const size_t header = long_header ? DF_HEADER_SIZE_LONG : DF_HEADER_SIZE_SHORT;
    const auto i16 = [&](size_t offset) {
        return static_cast<int16_t>(big_endian_at(file, offset, 2));
    };
    const auto i32 = [&](size_t offset) {
        return static_cast<int32_t>(big_endian_at(file, offset, 4));
    };

    EXPECT_EQ(r.ident.ident_a, i16(10));
    EXPECT_EQ(std::memcmp(r.ident.ident_text, &file[12], sizeof r.ident.ident_text), 0);
    EXPECT_EQ(r.ident.ident_b, i16(42));
    EXPECT_EQ(r.ident.ident_c, i16(44));
    EXPECT_EQ(r.ident.ident_d, i16(46));

    const auto* record = reinterpret_cast<const uint8_t*>(&r.params);
    for (const dfgen::packed_field& f : dfgen::PARAM_FIELDS) {
        for (size_t k = 0; k < f.count; ++k) {
            const size_t at = f.file_offset + k * f.width;
            uint8_t expected[4] = {};  // fields beyond a short header are zero
            if (at < header) std::memcpy(expected, &file[at], f.width);
            const bool is_number =
                f.kind == dfgen::field_kind::number || f.kind == dfgen::field_kind::carried;
            // val_242_wide keeps its file bytes; every other number is converted.
            const bool converted =
                is_number && f.record_offset != offsetof(data_file_params, val_242_wide);
            if (converted && std::endian::native == std::endian::little) {
                std::reverse(expected, expected + f.width);
            }
            if (f.record_offset == offsetof(data_file_params, format_mark)) {
                const uint16_t mark = long_header ? 3 : 0;
                std::memcpy(expected, &mark, sizeof mark);
            }
            ASSERT_EQ(std::memcmp(record + f.record_offset + k * f.width, expected, f.width), 0)
                << "parameter field at file offset " << at;
        }
    }

    size_t block = header;
    const int32_t intens_bytes = i32(60);
    if (intens_bytes > 0) {
        EXPECT_EQ(r.intens.window.x, i16(48));
        EXPECT_EQ(r.intens.window.y, i16(50));
        EXPECT_EQ(r.intens.n_buckets, i16(56));
        EXPECT_EQ(r.intens.range, static_cast<uint16_t>(i16(58)));
        const size_t capacity = static_cast<size_t>(i16(52)) * static_cast<size_t>(i16(54)) *
                                static_cast<size_t>(i16(56));
        ASSERT_EQ(r.intens.size, capacity);
        // A block shorter than the matrix leaves the rest zero.
        for (size_t i = 0; i < capacity; ++i) {
            const uint16_t expected =
                i < static_cast<size_t>(intens_bytes / 2)
                    ? static_cast<uint16_t>(big_endian_at(file, block + 2 * i, 2))
                    : 0;
            ASSERT_EQ(r.intens.matrix[i], expected) << "intensity value " << i;
        }
        block += static_cast<size_t>(intens_bytes);
    } else {
        EXPECT_EQ(r.intens.matrix, nullptr);
        EXPECT_EQ(r.intens.size, 0u);
        EXPECT_EQ(r.intens.n_buckets, 0);
    }
    if (i32(72) > 0) {
        EXPECT_EQ(r.phase.window.x, i16(64));
        EXPECT_EQ(r.phase.window.y, i16(66));
        // The count comes from the window, whatever the block length says.
        const size_t count = static_cast<size_t>(i16(68)) * static_cast<size_t>(i16(70));
        ASSERT_EQ(r.phase.size, count);
        for (size_t i = 0; i < count; ++i) {
            ASSERT_EQ(r.phase.matrix[i],
                      static_cast<int32_t>(big_endian_at(file, block + 4 * i, 4)))
                << "phase value " << i;
        }
    } else {
        EXPECT_EQ(r.phase.matrix, nullptr);
        EXPECT_EQ(r.phase.size, 0u);
    }
}

// Random header bytes after each valid magic; in every other round the
// block fields describe small blocks that the file holds (an intensity
// block of any length up to its matrix, odd ones included, and any positive
// phase length). A refused file leaves both matrices freed; an accepted one
// holds what the file holds.
TEST(ReadBinary, RandomBytesAfterAValidMagic) {
    std::mt19937 engine(1234);
    const auto random = [&engine]() { return static_cast<uint32_t>(engine()); };
    const auto small = [&random]() { return static_cast<int16_t>(1 + random() % 4); };
    int accepted = 0;
    int with_blocks = 0;
    for (int round = 0; round < 600; ++round) {
        header_bytes h(DF_MAGIC_FORMAT1 + static_cast<uint32_t>(round % 3));
        for (size_t i = 4; i < h.bytes.size(); ++i) h.bytes[i] = static_cast<uint8_t>(random());
        size_t block_bytes = 0;
        if (round % 2 == 0) {
            const int16_t iw = small(), ih = small(), ib = small(), pw = small(), ph = small();
            const auto capacity = static_cast<uint32_t>(iw * ih * ib);
            const auto phase_bytes = static_cast<uint32_t>(4 * pw * ph);
            const uint32_t intens_bytes = 2 * (1 + random() % capacity) + random() % 2;
            h.intensity(iw, ih, ib, static_cast<int32_t>(intens_bytes));
            h.phase(pw, ph, static_cast<int32_t>(1 + random() % (phase_bytes + 8)));
            block_bytes = intens_bytes + phase_bytes;
        }
        for (size_t i = block_bytes + random() % 64; i > 0; --i) {
            h.bytes.push_back(static_cast<uint8_t>(random()));
        }
        records r;
        const int32_t err = read_bytes(h.bytes, r);
        if (err != NO_ERROR) {
            expect_freed(r);
            continue;
        }
        ++accepted;
        if (r.intens.size > 0 && r.phase.size > 0) ++with_blocks;
        expect_records_hold(h.bytes, r);
        if (HasFatalFailure()) return;
    }
    // Most rounds with blocks must be accepted, or the test checks little.
    EXPECT_GT(with_blocks, 250);
    EXPECT_GT(accepted, with_blocks);
}

}  // namespace
