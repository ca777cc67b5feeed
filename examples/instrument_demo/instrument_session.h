// The steps of the instrument demo, one function each: read the system
// calibration file, switch the instrument on, load its ramp table, read the
// temperature, wait for what the instrument reports, switch it off.
//
// Each step prints one line "<step>: <result>" to the session's stream and
// returns the library's error code (0: success); a failure's line ends with
// the code's symbolic name. instrument_demo.cpp runs them in order; a test
// can run them one by one.
#pragma once

#include <csignal>
#include <cstdint>
#include <cstdio>

#include "errors/errors.h"
#include "instrument/instrument.h"

struct demo_options {
    int32_t system = 0;              // the instrument record, 0 to 3
    const char* cal_file = nullptr;  // null: the default name of the system's file
    double seconds = 3;              // how long to wait for reports and events
    // Set to nonzero (by a Ctrl-C handler, say) to end the waits early.
    const volatile std::sig_atomic_t* stop = nullptr;
};

struct demo_session {
    std::FILE* out;  // where the step lines go
    sys_info* info;  // the instrument's record in the library's table
    const volatile std::sig_atomic_t* stop;
};

// Prints one line of the transcript (the format's text and a line end) and
// sends it out at once, so that it keeps its place among the library's
// messages on standard error.
void demo_say(std::FILE* out, const char* format, ...) U_PRINTF_FORMAT(2, 3);
// The failure line of a step, "<step>: failed: <code's name>"; returns code.
int32_t demo_failed(std::FILE* out, const char* step, int32_t code);

int32_t demo_read_calibration(demo_session& session, const char* cal_file, int32_t system);
int32_t demo_switch_on(demo_session& session);
int32_t demo_load_ramps(demo_session& session);
int32_t demo_read_temperature(demo_session& session);
int32_t demo_wait_for_reports(demo_session& session, double seconds);
// Closes whatever is open, also after a failed step; the first failure's code.
int32_t demo_switch_off(demo_session& session);

// All the steps in order, then the switch-off; 0 when every step succeeded,
// else the first failure's code.
int32_t demo_run(const demo_options& options, std::FILE* out);
