// The single-ramp operations the registry builds on: the standard file name,
// the check against the instrument, and the time to the offset crossing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "instrument/instrument.h"
#include "ramps/ramp_test_support.h"
#include "ramps/ramps.h"
#include "tools/ramp_generator/ramp_generator.h"

namespace {

struct name_outcome {
    int32_t err;
    std::string name;
    std::string printed;
};

name_outcome std_name(const rr_ramp_hdr_t& hdr) {
    print_capture capture;
    const char* name = "unset";
    const int32_t err = rr_get_std_ramp_filename(&hdr, &name);
    return {err, name, capture.printed()};
}

TEST(RampStdName, Forms) {
    rr_ramp_hdr_t swli = rampgen::make_ramp({}).hdr;  // scan 10, slope 81, 25 Hz, b, 12345
    EXPECT_EQ(std_name(swli).name, "d10s81c25.b12345");

    rr_ramp_hdr_t h = swli;
    h.scanLen = 10.9f;  // scan length and slope are truncated
    h.rampSlope = 81.9f;
    h.cameraRate = 29.97f;  // the rate is rounded
    h.polar = 'n';
    EXPECT_EQ(std_name(h).name, "d10s81c30.n12345");
    h.cameraRate = 60;
    h.grabSkip = 3;  // every fourth frame
    EXPECT_EQ(std_name(h).name, "d10s81c15.n12345");
    h.cameraRate = 51;
    h.grabSkip = 1;  // 25.5 rounds up
    EXPECT_EQ(std_name(h).name, "d10s81c26.n12345");

    rr_ramp_hdr_t btw = swli;
    btw.rampType = RR_RAMP_BTW;
    btw.objMag = 20.7f;
    EXPECT_EQ(std_name(btw).name, "d10s81c25m20.b12345");

    rr_ramp_hdr_t pmi = swli;
    pmi.rampType = 4;
    pmi.nBuckets = 7;
    pmi.cameraRate = 60;
    pmi.grabSkip = 1;
    EXPECT_EQ(std_name(pmi).name, "p7c30.p12345");
    pmi.rampMux = 1;
    EXPECT_EQ(std_name(pmi).name, "p7c30.q12345");
    EXPECT_EQ(std_name(pmi).err, NO_ERROR);
}

TEST(RampStdName, EveryByteThatCanStandInANameIsWrittenAsItIs) {
    rr_ramp_hdr_t h = rampgen::make_ramp({}).hdr;
    for (const int32_t polar : {0xE9, 0x80, 0xFF, int32_t{' '}, int32_t{'~'}}) {
        h.polar = polar;
        const name_outcome out = std_name(h);
        EXPECT_EQ(out.err, NO_ERROR) << polar;
        EXPECT_EQ(out.name, "d10s81c25." + std::string(1, static_cast<char>(polar)) + "12345");
        EXPECT_EQ(out.printed, "");
    }
}

TEST(RampStdName, Refusals) {
    const rr_ramp_hdr_t swli = rampgen::make_ramp({}).hdr;
    struct refusal {
        void (*change)(rr_ramp_hdr_t&);
        std::string message;
    };
    const std::vector<refusal> cases = {
        {[](rr_ramp_hdr_t& h) { h.rampType = 16; },
         "rr_get_std_ramp_filename: unsupported ramp type 16\n"},
        {[](rr_ramp_hdr_t& h) { h.polar = 0; }, "rr_get_std_ramp_filename: invalid polar 0\n"},
        {[](rr_ramp_hdr_t& h) { h.polar = '/'; }, "rr_get_std_ramp_filename: invalid polar 47\n"},
        {[](rr_ramp_hdr_t& h) { h.polar = '\\'; }, "rr_get_std_ramp_filename: invalid polar 92\n"},
        {[](rr_ramp_hdr_t& h) { h.polar = '\r'; }, "rr_get_std_ramp_filename: invalid polar 13\n"},
        {[](rr_ramp_hdr_t& h) { h.polar = 0x7F; }, "rr_get_std_ramp_filename: invalid polar 127\n"},
        {[](rr_ramp_hdr_t& h) { h.scanLen = 3e9f; },
         "rr_get_std_ramp_filename: scanLen = 3e+09 does not fit a file name\n"},
        {[](rr_ramp_hdr_t& h) { h.cameraRate = 1.0f / 0.0f; },
         "rr_get_std_ramp_filename: frame rate = inf does not fit a file name\n"},
    };
    for (const refusal& c : cases) {
        rr_ramp_hdr_t h = swli;
        c.change(h);
        const name_outcome out = std_name(h);
        EXPECT_EQ(out.err, ERR_INVALID_PARAM) << c.message;
        EXPECT_EQ(out.name, "") << c.message;
        EXPECT_EQ(out.printed, c.message);
    }
}

struct instr_outcome {
    int32_t err;
    rr_ramp_hdr_t hdr;
    std::string printed;
};

instr_outcome check_instr(rr_ramp_hdr_t hdr, int32_t board, int32_t pifoc, int32_t pzt) {
    print_capture capture;
    const int32_t err = rr_check_ramp_instr(&hdr, "r.ramp", board, pifoc, pzt);
    return {err, hdr, capture.printed()};
}

TEST(RampInstrCheck, BoardTypes) {
    struct board_case {
        int32_t ramp_board;
        int32_t board;
        bool fits;
    };
    for (const board_case& c : std::vector<board_case>{
             {0, INSTR_BD_CAN, true},  {1, INSTR_BD_CAN, true},  {8, INSTR_BD_CAN, true},
             {3, INSTR_BD_CAN, false}, {0, INSTR_BD_UZ2, true},  {3, INSTR_BD_UZ2, true},
             {1, INSTR_BD_UZ2, false}, {8, INSTR_BD_UZ1, false}, {7, INSTR_BD_FTP, true}}) {
        EXPECT_EQ(rr_ramp_fits_board(c.ramp_board, c.board), c.fits)
            << c.ramp_board << " on " << c.board;
        rr_ramp_hdr_t h = rampgen::make_ramp({.board = c.ramp_board}).hdr;
        const instr_outcome out = check_instr(h, c.board, 12345, 999);
        EXPECT_EQ(out.err, c.fits ? NO_ERROR : ERR_WRONG_INSTR_BOARD);
        if (!c.fits) {
            EXPECT_EQ(out.printed,
                      "Error: ramp data file r.ramp is not compatible with this instrument\n");
        }
    }
}

TEST(RampInstrCheck, ScannersAndSerialNumbers) {
    const rr_ramp_hdr_t swli = rampgen::make_ramp({}).hdr;  // pztID 12345
    rr_ramp_hdr_t pmi = rampgen::make_ramp({.type = 2, .n_buckets = 7}).hdr;

    instr_outcome out = check_instr(pmi, 0, 12345, -1);
    EXPECT_EQ(out.err, ERR_INVALID_PARAM);
    EXPECT_EQ(out.printed, "Error: ramp data file \"r.ramp\" can only be used with a PZT\n");
    out = check_instr(swli, 0, -1, 12345);
    EXPECT_EQ(out.err, ERR_INVALID_PARAM);
    EXPECT_EQ(out.printed, "Error: ramp data file \"r.ramp\" can only be used with a PIFOC\n");
    rr_ramp_hdr_t unknown = swli;
    unknown.rampType = 16;
    out = check_instr(unknown, 0, 12345, 12345);
    EXPECT_EQ(out.err, ERR_CORRUPT_RAMP_FILE);
    EXPECT_EQ(out.printed, "Error: ramp data file \"r.ramp\" is of unknown type 16\n");

    out = check_instr(swli, 0, 222, 12345);
    EXPECT_EQ(out.err, NO_ERROR);
    EXPECT_EQ(out.hdr.pztID, 222);
    EXPECT_EQ(out.printed,
              "Warning: ramp data file \"r.ramp\" was generated for a different PIFOC\n"
              "Changing ramp S/N from 12345 to 222\n");
    out = check_instr(pmi, 0, 12345, 333);
    EXPECT_EQ(out.hdr.pztID, 333);
    EXPECT_EQ(out.printed,
              "Warning: ramp data file \"r.ramp\" was generated for a different PZT\n"
              "Changing ramp S/N from 12345 to 333\n");
    EXPECT_EQ(check_instr(swli, 0, 12345, -1).printed, "");
}

TEST(RampInstrCheck, FringesPerFrameCheckedAndCompleted) {
    struct fringe_case {
        int32_t type;
        int32_t buckets;
        float slope;
        float fringes;
        float completed;  // negative: refused
    };
    const std::vector<fringe_case> cases = {
        {1, 5, 0, 0, 0.25f},     {1, 7, 0, 0.25f, 0.25f},   {1, 7, 0, 0.125f, -1},
        {1, 11, 0, 0, 0.125f},   {3, 13, 0, 0.125f, 0.125f}, {1, 13, 0, 0.25f, -1},
        {1, 9, 0, 0, -1},        {1, 20, 0, 0.3f, 0.3f},     {1, 14, 0, 0, 0},
        {0, 0, 81, 0, 0.25f},    {0, 0, 243, 0, 0.75f},      {17, 0, 405, 0, 1.25f},
        {0, 0, 567, 0, 1.75f},   {0, 0, 100, 0, -1},         {0, 0, 100, 0.75f, 0.75f},
        {17, 0, 100, 2.25f, 2.25f}, {0, 0, 81, 0.5f, -1},     {0, 0, 81, 0.3f, -1},
    };
    for (const fringe_case& c : cases) {
        rampgen::options opt;
        opt.type = c.type;
        opt.n_buckets = c.buckets;
        opt.ramp_slope = c.slope;
        opt.fringes = c.fringes;
        const instr_outcome out = check_instr(rampgen::make_ramp(opt).hdr, 0, 12345, 12345);
        const std::string what = std::to_string(c.type) + "/" + std::to_string(c.buckets) + "/" +
                                 std::to_string(c.slope) + "/" + std::to_string(c.fringes);
        if (c.completed < 0) {
            EXPECT_EQ(out.err, ERR_INVALID_PARAM) << what;
            EXPECT_EQ(out.printed.rfind("Error: invalid fringesPerFrame ", 0), 0u) << what;
        } else {
            EXPECT_EQ(out.err, NO_ERROR) << what << out.printed;
            EXPECT_EQ(out.hdr.fringesPerFrame, c.completed) << what;
        }
    }
    rampgen::options opt;
    opt.fringes = 0.5f;
    EXPECT_EQ(check_instr(rampgen::make_ramp(opt).hdr, 0, 12345, 12345).printed,
              "Error: invalid fringesPerFrame 0.5 in ramp data file \"r.ramp\"\n");
}

// A ramp whose samples cross the offset 100 between samples 4 and 5.
owned_ramp* crossing_ramp(owned_ramp* r, bool rising) {
    static const uint16_t up[10] = {0, 50, 60, 80, 95, 105, 120, 130, 140, 150};
    static const uint16_t down[10] = {200, 150, 140, 120, 105, 95, 80, 60, 50, 40};
    r->ramp.hdr = rampgen::make_ramp({.points = 10, .trig_start = 2, .trig_end = 9,
                                      .offset = 100, .rising = rising, .camera_rate = 25}).hdr;
    r->ramp.points = static_cast<uint16_t*>(gl_MallocFunc(sizeof up));
    std::copy(rising ? up : down, (rising ? up : down) + 10, r->ramp.points);
    return r;
}

TEST(RampOffsetCrossing, ByHand) {
    for (const bool rising : {true, false}) {
        owned_ramp r;
        crossing_ramp(&r, rising);
        // 100 samples per second; frames begun by sample 2: ceil(0.02 * 25) = 1.
        // (5 - 1 + 0.5) / 100 - 1 / 25 = 0.005 seconds.
        ASSERT_EQ(rr_calc_time_til_offset_crossing(&r.ramp, 0.1), NO_ERROR);
        EXPECT_DOUBLE_EQ(r.ramp.timeToOffset, 0.005) << rising;
    }
}

TEST(RampOffsetCrossing, Refusals) {
    owned_ramp none;
    none.ramp.hdr = rampgen::make_ramp({}).hdr;
    EXPECT_EQ(rr_calc_time_til_offset_crossing(&none.ramp, 5), ERR_NO_RAMP_INFO);

    owned_ramp r;
    crossing_ramp(&r, true);
    const rr_ramp_hdr_t good = r.ramp.hdr;
    r.ramp.hdr.rampType = 5;
    EXPECT_EQ(rr_calc_time_til_offset_crossing(&r.ramp, 5), ERR_INVALID_PARAM);
    r.ramp.hdr = good;
    r.ramp.hdr.offset = 151;  // never reached
    EXPECT_EQ(rr_calc_time_til_offset_crossing(&r.ramp, 5), ERR_CORRUPT_RAMP_FILE);
    for (const auto& [start, end] : std::vector<std::pair<int32_t, int32_t>>{
             {-1, 9}, {9, 9}, {2, 11}, {12, 14}}) {
        r.ramp.hdr = good;
        r.ramp.hdr.trigStartAddr = start;
        r.ramp.hdr.trigEndAddr = end;
        EXPECT_EQ(rr_calc_time_til_offset_crossing(&r.ramp, 5), ERR_CORRUPT_RAMP_FILE)
            << start << " " << end;
    }
    // Crossing at the very first sample: no sample before it to interpolate.
    r.ramp.hdr = good;
    r.ramp.hdr.trigStartAddr = 0;
    r.ramp.hdr.offset = 0;
    EXPECT_EQ(rr_calc_time_til_offset_crossing(&r.ramp, 5), ERR_CORRUPT_RAMP_FILE);
    // Equal samples beside the start: exactly at the offset gives the earlier
    // one; beyond it there is nothing to interpolate.
    r.ramp.points[2] = r.ramp.points[1] = 100;
    r.ramp.hdr = good;
    ASSERT_EQ(rr_calc_time_til_offset_crossing(&r.ramp, 0.1), NO_ERROR);
    EXPECT_DOUBLE_EQ(r.ramp.timeToOffset, 0.01 - 0.04);
    r.ramp.points[2] = r.ramp.points[1] = 120;
    EXPECT_EQ(rr_calc_time_til_offset_crossing(&r.ramp, 0.1), ERR_CORRUPT_RAMP_FILE);
}

}  // namespace
