// The steps of instrument-measure, one function each, after the demo's
// switch-on: switch the camera on, find the ramp, scan and grab its frames,
// compute the surface, save the measurement as a binary data file.
//
// Each step prints one line "<step>: <result>" to the session's stream, as
// the demo's steps do, and returns the library's error code (0: success).
// instrument_measure.cpp runs them in order.
#pragma once

#include <cstdint>
#include <cstdio>

#include "datafile/datafile.h"
#include "instrument_session.h"

struct measure_options {
    demo_options demo;            // system, calibration file, stop flag
    int32_t ramp_type = 1;        // 0 SWLI, 1 PMI, 17 BTW
    int32_t n_buckets = 0;        // 0: any
    float scan_len = 0;           // um; 0: any
    const char* out = nullptr;    // the binary data file to write
    int32_t format = 3;           // its format, 1 to 3
    int32_t threads = 0;          // for the computation; 0: one per core
};

// What a measurement collects on its way.
struct measurement {
    int32_t ramp_index = -1;
    bool ramp_loaded = false;  // the instrument holds it: stop it at the end
    intens_matrix frames{};
    phase_matrix heights{};
};

int32_t measure_switch_on_camera(demo_session& session, const measure_options& options);
int32_t measure_find_ramp(demo_session& session, const measure_options& options, measurement* m);
int32_t measure_grab(demo_session& session, measurement* m);
int32_t measure_compute(demo_session& session, const measure_options& options, measurement* m);
int32_t measure_save(demo_session& session, const measure_options& options, const measurement& m);
// Stops the scanner, closes the camera and frees the matrices; then the
// demo's switch-off. The first failure's code.
int32_t measure_switch_off(demo_session& session, measurement* m);

// Every step in order, then the switch-off; 0 when all succeeded, else the
// first failure's code.
int32_t measure_run(const measure_options& options, std::FILE* out);
