// The simulated scanner's motion through a loaded ramp: which samples
// trigger the camera, when, and where the scanner then is. Shared by the
// simulated serial board and the simulated CAN bridge.
//
// A ramp makes exactly nBuckets triggers; trigger k is at sample
//     i_k = trigStartAddr + floor(k (grabSkip + 1) 1000 r / cameraRate)
// with r the sample clock in kHz, at i_k / (1000 r) seconds after the ramp
// start, with the scanner at (v[i_k] - offset) * gain nm, v the samples and
// gain the scanner's (SIM_PZT_NM_PER_COUNT for PMI ramps, whose scanner is
// the PZT; SIM_PIFOC_NM_PER_COUNT for SWLI and BTW ramps).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/scanner/scan_state.h"

namespace sim {

// Scanner gains in nm per sample count. A quarter fringe of the 632.8 nm
// source (79.1 nm of scan) is 1000 counts of the PZT; 81 nm of scan, a
// quarter fringe of the broad-band source, is 100 counts of the PIFOC.
inline constexpr double SIM_PZT_NM_PER_COUNT = 0.0791;
inline constexpr double SIM_PIFOC_NM_PER_COUNT = 0.81;

// The gain of the scanner a ramp type drives (1 to 15: the PZT).
double scanner_gain_nm_per_count(int32_t ramp_type);

// The serial boards' sample clock, in kHz, from a ramp's update rate.
double board_sample_rate_khz(int32_t update_rate);

struct ramp_timing {
    int32_t ramp_type = 0;
    int32_t trig_start = 0;  // sample of the first trigger
    int32_t n_buckets = 0;   // number of triggers
    int32_t grab_skip = 0;
    double camera_rate_hz = 0;
    double sample_rate_khz = 0;
    int32_t offset = 0;  // sample value of the scanner's zero
};

// The triggers of the ramp into scan (ramp type and triggers; sequence and
// start are the publisher's). False, with scan untouched, when the timing
// cannot be played (no trigger, rates not above 0) or a trigger falls
// beyond the samples.
bool compute_ramp_scan(const ramp_timing& timing, const std::vector<uint16_t>& values,
                       scan_state* scan);

// Publishes scan at path as the next scan: its sequence one above the
// file's (1 when there is none), its start now. False when it cannot be
// written.
bool publish_scan(const std::string& path, scan_state scan);

}  // namespace sim
