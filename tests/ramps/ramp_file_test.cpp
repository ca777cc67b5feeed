// Ramp data files: the written bytes against the layout worked out by hand,
// writing and reading back, every read failure, and failed writes.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ramps/ramp_test_support.h"
#include "ramps/ramps.h"
#include "tools/ramp_generator/ramp_generator.h"

#ifndef _WIN32
#include <sys/stat.h>

#include "support/file_size_limit.h"
#endif

namespace {

// A header with a distinct value in the fields whose bytes the test checks.
rr_ramp_hdr_t hand_header() {
    rr_ramp_hdr_t h{};
    h.rampType = 0;
    h.pztID = 12345;  // 0x3039
    h.rampID = 7;
    h.nPoints = 3;
    h.sampleClkFreq = 5.0f;  // 0x40A00000
    h.cameraRate = 25.0f;    // 0x41C80000
    h.trigStartAddr = 1;
    h.trigEndAddr = 2;
    h.rampGainDflt = -2;        // 0xFFFFFFFE
    h.rampTriple[1] = -1.25f;   // 0xBFA00000
    h.scanLen = 10.0f;          // 0x41200000
    h.polar = 'b';              // 0x62
    h.offset = 32768;           // 0x8000
    h.scanCal = 1.0f;           // 0x3F800000
    h.reserved1[0] = 1;
    h.reserved1[1] = 2;
    h.reserved1[2] = 3;
    h.reserved1[3] = 4;
    h.fringesPerFrame = 0.25f;  // 0x3E800000
    h.objMag = 20.0f;           // 0x41A00000
    h.wavelenSelect = 3;
    h.directionFlag = 1;
    h.spare[0] = 0x5A;
    h.spare[131] = 0xA5;
    return h;
}
const std::vector<uint16_t> kHandSamples = {0x0102, 0xFFFE, 0x8000};

std::vector<uint8_t> hand_bytes() {
    std::vector<uint8_t> b(RR_RAMP_HDR_SIZE + 6, 0);
    const auto put = [&b](size_t at, std::initializer_list<uint8_t> bytes) {
        for (uint8_t v : bytes) b.at(at++) = v;
    };
    put(0, {0x52, 0x41, 0x4D, 0x51});  // RAMQ
    put(8, {0x00, 0x00, 0x30, 0x39});
    put(12, {0x00, 0x00, 0x00, 0x07});
    put(16, {0x00, 0x00, 0x00, 0x03});
    put(36, {0x40, 0xA0, 0x00, 0x00});
    put(40, {0x41, 0xC8, 0x00, 0x00});
    put(56, {0x00, 0x00, 0x00, 0x01});
    put(60, {0x00, 0x00, 0x00, 0x02});
    put(64, {0xFF, 0xFF, 0xFF, 0xFE});
    put(72, {0xBF, 0xA0, 0x00, 0x00});
    put(80, {0x41, 0x20, 0x00, 0x00});
    put(84, {0x00, 0x00, 0x00, 0x62});
    put(88, {0x00, 0x00, 0x80, 0x00});
    put(160, {0x3F, 0x80, 0x00, 0x00});
    put(164, {0x04, 0x03, 0x02, 0x01});  // the last big-endian word, reversed as a unit
    put(168, {0x00, 0x00, 0x80, 0x3E});  // little-endian from here on
    put(172, {0x00, 0x00, 0xA0, 0x41});
    put(176, {0x03, 0x00, 0x00, 0x00});
    put(184, {0x01, 0x00, 0x00, 0x00});
    put(196, {0x5A});
    put(327, {0xA5});
    put(328, {0x01, 0x02, 0xFF, 0xFE, 0x80, 0x00});
    return b;
}

std::vector<uint8_t> file_contents(const temp_file& file) {
    const std::string text = file.read();
    return {text.begin(), text.end()};
}

TEST(RampFileWrite, BytesFollowTheLayout) {
    temp_file file("hand.ramp");
    const rr_ramp_hdr_t hdr = hand_header();
    const rr_ramp_hdr_t before = hdr;
    const std::vector<uint16_t> samples = kHandSamples;
    ASSERT_EQ(rr_write_ramp_file(file.c_str(), &hdr, samples.data()), NO_ERROR);
    EXPECT_EQ(file_contents(file), hand_bytes());
    // The caller's header (magic number 0 included) and samples stay as they were.
    EXPECT_EQ(std::memcmp(&hdr, &before, sizeof hdr), 0);
    EXPECT_EQ(samples, kHandSamples);
}

TEST(RampFileWrite, ManySamplesAndNone) {
    const rampgen::ramp r = rampgen::make_ramp({.points = 10007, .trig_start = 900,
                                                .trig_end = 9000});
    temp_file file("big.ramp");
    ASSERT_EQ(rr_write_ramp_file(file.c_str(), &r.hdr, r.points.data()), NO_ERROR);
    EXPECT_EQ(file_contents(file), rampgen::file_bytes(r));

    rr_ramp_hdr_t empty = hand_header();
    empty.nPoints = 0;
    const uint16_t unused = 0;
    ASSERT_EQ(rr_write_ramp_file(file.c_str(), &empty, &unused), NO_ERROR);
    EXPECT_EQ(file_contents(file).size(), RR_RAMP_HDR_SIZE);
}

TEST(RampFileWrite, Refusals) {
    temp_file file("refused.ramp");
    file.write_text("old");
    rr_ramp_hdr_t hdr = hand_header();
    EXPECT_EQ(rr_write_ramp_file(file.c_str(), &hdr, nullptr), ERR_INVALID_PARAM);
    EXPECT_EQ(rr_write_ramp_file(file.c_str(), nullptr, kHandSamples.data()), ERR_INVALID_PARAM);
    hdr.nPoints = -1;
    EXPECT_EQ(rr_write_ramp_file(file.c_str(), &hdr, kHandSamples.data()), ERR_INVALID_PARAM);
    EXPECT_EQ(file.read(), "old");

    hdr.nPoints = 3;
    temp_file missing_folder("no_such_folder");
    const std::string inside = (missing_folder.path / "x.ramp").string();
    EXPECT_EQ(rr_write_ramp_file(inside.c_str(), &hdr, kHandSamples.data()), ERR_CANT_CREATE_FILE);
    temp_file folder("folder.ramp");
    std::filesystem::create_directories(folder.path);
    EXPECT_EQ(rr_write_ramp_file(folder.c_str(), &hdr, kHandSamples.data()), ERR_CANT_CREATE_FILE);
    EXPECT_TRUE(std::filesystem::is_directory(folder.path));
    std::filesystem::remove(folder.path);
}

#ifndef _WIN32
TEST(RampFileWrite, AFailedWriteKeepsTheOldFile) {
    temp_file file("limited.ramp");
    file.write_text("old ramp");
    const std::vector<std::string> before = folder_names(file);
    const rampgen::ramp r = rampgen::make_ramp({.points = 5000, .trig_start = 100,
                                                .trig_end = 4000});
    {
        const file_size_limit limit(4096);
        EXPECT_EQ(rr_write_ramp_file(file.c_str(), &r.hdr, r.points.data()), ERR_CANT_WRITE_FILE);
    }
    EXPECT_EQ(file.read(), "old ramp");
    EXPECT_EQ(folder_names(file), before);  // no replacement file left behind
}
#endif

TEST(RampFileRead, WrittenRampReadsBack) {
    rampgen::options opt;
    opt.type = RR_RAMP_BTW;
    opt.obj_mag = 20;
    opt.wavelen = 2;
    const rampgen::ramp r = rampgen::make_ramp(opt);
    temp_file file("back.ramp");
    ASSERT_EQ(rr_write_ramp_file(file.c_str(), &r.hdr, r.points.data()), NO_ERROR);

    owned_ramp back;
    back.ramp.points = static_cast<uint16_t*>(gl_MallocFunc(10));  // released by the read
    ASSERT_EQ(rr_read_ramp_file(file.c_str(), &back.ramp.hdr, &back.ramp.points), NO_ERROR);
    EXPECT_EQ(back.ramp.hdr.magicNumber, RR_RAMP_MAGIC);
    EXPECT_EQ(std::memcmp(&back.ramp.hdr, &r.hdr, sizeof r.hdr), 0);
    ASSERT_NE(back.ramp.points, nullptr);
    EXPECT_EQ(std::vector<uint16_t>(back.ramp.points, back.ramp.points + r.points.size()),
              r.points);

    // Without a holder only the header is read.
    rr_ramp_hdr_t only{};
    EXPECT_EQ(rr_read_ramp_file(file.c_str(), &only, nullptr), NO_ERROR);
    EXPECT_EQ(std::memcmp(&only, &r.hdr, sizeof r.hdr), 0);
}

struct read_outcome {
    int32_t err;
    rr_ramp_hdr_t hdr;
    bool holder_empty;
};

read_outcome read_bytes(const std::vector<uint8_t>& bytes, bool with_holder = true) {
    temp_file file("read.ramp");
    file.write(bytes);
    read_outcome out{};
    uint16_t* points = static_cast<uint16_t*>(gl_MallocFunc(4));
    out.err = rr_read_ramp_file(file.c_str(), &out.hdr, with_holder ? &points : nullptr);
    out.holder_empty = points == nullptr;
    gl_FreeFunc(points);
    return out;
}

std::vector<uint8_t> with_points_field(std::vector<uint8_t> bytes, uint32_t n) {
    for (int i = 0; i < 4; ++i) bytes.at(16 + static_cast<size_t>(i)) = static_cast<uint8_t>(n >> (24 - 8 * i));
    return bytes;
}

TEST(RampFileRead, EveryFailure) {
    const std::vector<uint8_t> good = hand_bytes();
    const std::vector<uint8_t> header_only(good.begin(), good.begin() + RR_RAMP_HDR_SIZE);
    struct failure_case {
        const char* what;
        std::vector<uint8_t> bytes;
        int32_t err;
    };
    std::vector<uint8_t> foreign = good;
    std::reverse(foreign.begin(), foreign.begin() + 4);  // the magic number little-endian
    const std::vector<failure_case> cases = {
        {"empty", {}, ERR_PREMATURE_EOF},
        {"three bytes", {0x52, 0x41, 0x4D}, ERR_PREMATURE_EOF},
        {"200 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 200), ERR_PREMATURE_EOF},
        {"327 bytes", std::vector<uint8_t>(good.begin(), good.begin() + 327), ERR_PREMATURE_EOF},
        {"foreign magic", foreign, ERR_NOT_A_RAMP_FILE},
        {"text", {'h', 'e', 'l', 'l', 'o'}, ERR_NOT_A_RAMP_FILE},
        {"one sample short", std::vector<uint8_t>(good.begin(), good.end() - 1),
         ERR_CORRUPT_RAMP_FILE},
        {"negative count", with_points_field(good, 0xFFFFFFFF), ERR_CORRUPT_RAMP_FILE},
        {"largest count", with_points_field(good, 0x7FFFFFFF), ERR_CORRUPT_RAMP_FILE},
        {"100 claimed, 50 there",
         [&] {
             std::vector<uint8_t> b = with_points_field(header_only, 100);
             b.resize(RR_RAMP_HDR_SIZE + 100, 7);
             return b;
         }(),
         ERR_CORRUPT_RAMP_FILE},
    };
    for (const failure_case& c : cases) {
        const read_outcome out = read_bytes(c.bytes);
        EXPECT_EQ(out.err, c.err) << c.what;
        EXPECT_TRUE(out.holder_empty) << c.what;
    }
    // The header keeps what was read.
    EXPECT_EQ(read_bytes(with_points_field(header_only, 100)).hdr.nPoints, 100);
    // Without a holder, whatever nPoints says.
    EXPECT_EQ(read_bytes(with_points_field(header_only, 0xFFFFFFFF), false).err, NO_ERROR);
    EXPECT_EQ(read_bytes(with_points_field(header_only, 100000), false).err, NO_ERROR);

    rr_ramp_hdr_t hdr;
    EXPECT_EQ(rr_read_ramp_file("x", nullptr, nullptr), ERR_INVALID_PARAM);
    temp_file missing("missing.ramp");
    EXPECT_EQ(rr_read_ramp_file(missing.c_str(), &hdr, nullptr), ERR_CANT_OPEN_FILE);
}

size_t largest_allocation = 0;

TEST(RampFileRead, AllocationFollowsTheFileNotTheHeader) {
    const auto saved = gl_MallocFunc;
    gl_MallocFunc = [](size_t size) {
        if (size > largest_allocation) largest_allocation = size;
        return std::malloc(size);
    };
    largest_allocation = 0;
    const read_outcome out = read_bytes(with_points_field(hand_bytes(), 0x7FFFFFFF));
    gl_MallocFunc = saved;
    EXPECT_EQ(out.err, ERR_CORRUPT_RAMP_FILE);
    EXPECT_LE(largest_allocation, 4u);  // only the test's own block

    temp_file file("nomem.ramp");
    file.write(hand_bytes());
    uint16_t* points = nullptr;
    rr_ramp_hdr_t hdr;
    {
        const failing_allocations no_memory;
        EXPECT_EQ(rr_read_ramp_file(file.c_str(), &hdr, &points), ERR_NO_MEM);
    }
    EXPECT_EQ(points, nullptr);
}

#ifndef _WIN32
// Only a regular file is read: a FIFO named like a ramp file, or like the
// configuration, is refused at once, where opening it for reading would
// wait for a writer.
TEST(RampFileRead, AFifoIsRefusedWithoutWaiting) {
    temp_file fifo("ramp.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    rr_ramp_hdr_t hdr{};
    uint16_t* points = nullptr;
    EXPECT_EQ(rr_read_ramp_file(fifo.c_str(), &hdr, &points), ERR_CANT_OPEN_FILE);
    EXPECT_EQ(points, nullptr);

    cfg_read cfg;
    read_cfg_file(fifo, &cfg);
    EXPECT_EQ(cfg.err, ERR_CANT_OPEN_FILE);
    EXPECT_EQ(cfg.printed, "Cannot open ramp config file \"" + fifo.str() + "\"\n");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo.path));
}
#endif

}  // namespace
