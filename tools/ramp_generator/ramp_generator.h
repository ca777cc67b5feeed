// Synthetic scan ramps for tests, fuzz seeds and examples: a header with
// plausible values and samples that rest at the offset, run up to the
// trigger start, sweep linearly through the offset during the triggered
// part and run back to rest after it. Everything is deterministic.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ramps/ramps.h"

namespace rampgen {

struct options {
    int32_t type = RR_RAMP_SWLI;
    int32_t points = 400;
    int32_t trig_start = 50;
    int32_t trig_end = 350;
    int32_t offset = 32768;
    uint16_t low = 8000;    // sample at one end of the triggered part
    uint16_t high = 57536;  // and at the other
    bool rising = true;     // the triggered part runs from low to high
    float scan_len = 10;
    float camera_rate = 25;
    int32_t grab_skip = 0;
    int32_t interlace = 0;
    float sample_clk = 5;  // kHz
    float ramp_slope = 81;
    float fringes = 0.25f;
    float obj_mag = 0;
    float scan_cal = 1;
    int32_t wavelen = 0;
    int32_t n_buckets = 0;  // 0: worked out from the trigger span
    int32_t ramp_mux = 0;
    int32_t pzt_id = 12345;
    int32_t polar = 'b';
    int32_t board = 0;       // instrBdType
    int32_t comp_filter = 0;
    bool mark_reserved = true;  // reserved and spare bytes hold a pattern
};

struct ramp {
    rr_ramp_hdr_t hdr;
    std::vector<uint16_t> points;
};

ramp make_ramp(const options& opt);

// The file a ramp makes, byte for byte, built without the library's writer.
std::vector<uint8_t> file_bytes(const ramp& r);

// A configuration spec line for the ramp, as the writer lays it out.
std::string spec_line(const ramp& r, const std::string& file_name);

}  // namespace rampgen
